#!/usr/bin/env python3
"""The test harness of fedtax. It runs the program as a user does, natively
or through a launcher (qemu-user, Wine, valgrind), and checks what the
program writes, what the build installs and what a release ships. CTest runs
its commands; the terminal and failing-stream drivers import it.

    harness.py transcript [--by-line] CASE [LAUNCHER...] PROGRAM
    harness.py install BUILD PREFIX VERSION
    harness.py man-page MANDIR VERSION
    harness.py deb (--cpack CONFIG OUT | --file DEB) SOURCE VERSION [LAUNCHER...]
    harness.py zip (--cpack CONFIG OUT | --file ZIP) SOURCE VERSION OBJDUMP [LAUNCHER...]
    harness.py wine start|stop LAUNCHER...
    harness.py scripts SOURCE
    harness.py missing TOOL...

A check that passes exits with 0. One that fails names what it checked,
what was expected and what came, and exits with 1. One whose tool is
missing says which and exits with 77, which CTest counts as skipped;
`missing` names those of its tools that are missing, one a line, as
configuring says which tests will be skipped.
"""
import difflib
import glob
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

# The program's texts, as it writes them.
NUMBER_PROMPT = b"Enter your Social Security number without spaces or dashes (ex. 123456789) "
INCOME_PROMPT = b"Enter your taxable income (ex. 44197.36)"
CUE = b">> "
QUESTION = b"Would you like to process another entry? (yes/no): "
INVALID = b"Invalid entry."
PAUSE = b"Press any key to continue..."
CANNOT_WRITE = b"fedtax: cannot write to standard output: "
CANNOT_READ = b"fedtax: cannot read standard input: "

SKIPPED = 77
TIMEOUT = 30
# The wait before each line typed by line: long enough for the program to
# have read all before it and to wait for more.
LINE_GAP = 0.05
# The Debian package of each tool that a check may need.
PACKAGES = {"man": "man-db", "groff": "groff-base", "dpkg-deb": "dpkg", "cpack": "cmake",
            "dpkg-shlibdeps": "dpkg-dev", "wine": "wine and wine64", "wineserver": "wine",
            "qemu-aarch64": "qemu-user", "qemu-i386": "qemu-user", "node": "nodejs",
            "chromedriver": "chromium-driver", "WebKitWebDriver": "webkit2gtk-driver",
            "xvfb-run": "xvfb"}


class Failure(AssertionError):
    """A check failed; the message says what was expected and what came."""


class Missing(Exception):
    """A tool that a check needs is not installed."""


def need(tool):
    """The path of a tool, which must be installed, or a file's (a device's,
    say) that must exist."""
    if tool.startswith("/"):
        if not os.path.exists(tool):
            raise Missing(f"{tool}, which this system has not")
        return tool
    path = shutil.which(tool)
    if path is None:
        package = PACKAGES.get(os.path.basename(tool), tool)
        raise Missing(f"{tool} (Debian package{'s' if ' ' in package else ''} {package})")
    return path


def command_line(launcher, program):
    """The command that runs `program` through `launcher` (a wrapper or an
    emulator, after `env` and the variables it sets, if any), whose tool
    must be installed."""
    tool = next((word for word in launcher if word != "env" and "=" not in word), None)
    if tool is not None:
        need(tool)
    return list(launcher) + [program]


def read(path):
    """A file's bytes; a gzip-compressed one's (NAME.gz) as they were."""
    with (gzip.open if path.endswith(".gz") else open)(path, "rb") as data:
        return data.read()


def run(command, stdin=b"", env=None, limit=1 << 20, preexec=None):
    """Runs a command to its end (at most TIMEOUT seconds), with standard
    input the bytes or the open file `stdin`, or a list of lines typed one
    at a time (see run_typed); returns its exit status, standard output (its
    first `limit` bytes) and standard error. The output goes to a file, so
    that a runaway program costs no memory."""
    if isinstance(stdin, list):
        return run_typed(command, stdin, limit)
    feed = {"input": stdin} if isinstance(stdin, bytes) else {"stdin": stdin}
    with tempfile.TemporaryFile() as out:
        try:
            process = subprocess.run(command, stdout=out, stderr=subprocess.PIPE, env=env,
                                     timeout=TIMEOUT, check=False, preexec_fn=preexec, **feed)
        except subprocess.TimeoutExpired:
            raise Failure(f"{' '.join(command)}: still running after {TIMEOUT} s") from None
        out.seek(0)
        return process.returncode, out.read(limit), process.stderr


def run_typed(command, lines, limit):
    """Runs a command as `run` does, with each of `lines` written to its
    standard input LINE_GAP seconds after the one before."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as errors, \
            subprocess.Popen(command, stdin=subprocess.PIPE, stdout=out, stderr=errors,
                             bufsize=0) as process:
        try:
            for line in lines:
                time.sleep(LINE_GAP)
                process.stdin.write(line)
            process.stdin.close()
        except BrokenPipeError:
            pass  # The program ended before it read them all.
        try:
            process.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            process.kill()
            raise Failure(f"{' '.join(command)}: still running after {TIMEOUT} s") from None
        out.seek(0)
        errors.seek(0)
        return process.returncode, out.read(limit), errors.read()


def run_tool(command, **options):
    """Runs a tool that must succeed; returns its standard output."""
    status, out, errors = run([need(command[0])] + command[1:], **options)
    if status != 0:
        raise Failure(f"{' '.join(command)} failed with status {status}:\n"
                      f"{(out + errors).decode(errors='replace')}")
    return out


# How a byte shows in a difference: every byte visible, line ends kept.
SHOWN = {0x0a: "\\n\n", 0x0d: "\\r", 0x09: "\\t", 0x5c: "\\\\"}


def visible_lines(data):
    # Every line-breaking byte but LF is shown as \xNN, so only LF splits.
    return "".join(SHOWN.get(b, chr(b) if 0x20 <= b < 0x7f else f"\\x{b:02x}")
                   for b in data).splitlines()


def difference(expected, came, expected_name, came_name, most=100):
    """A unified diff of two outputs in which every byte can be seen: a line
    end as \\n, a carriage return as \\r, a tab as \\t, a backslash as \\\\,
    any other byte outside printable ASCII as \\xNN."""
    lines = list(difflib.unified_diff(visible_lines(expected), visible_lines(came),
                                      expected_name, came_name, lineterm=""))
    if len(lines) > most:
        lines = lines[:most] + [f"... (only the first {most} lines are shown)"]
    return "\n".join(lines)


def expected_transcript(case, windows):
    """What the program must write on CASE.in, and its exit status. A
    Windows program writes CR LF for each LF of CASE.out, unless text mode
    reads the input differently there (CASE.windows.out)."""
    if windows and os.path.exists(case + ".windows.out"):
        case += ".windows"
        windows = False
    expected = read(case + ".out")
    return expected.replace(b"\n", b"\r\n") if windows else expected, int(read(case + ".status"))


def check_transcript(case, launcher, program, by_line=False):
    """The program on one transcript: CASE.in holds the bytes typed,
    CASE.out the exact bytes expected on standard output, CASE.status the
    exit status; standard error must stay empty. By line, each line of
    CASE.in comes only after a wait, so that every read of the program
    finds nothing and waits."""
    name = os.path.basename(case)
    expected, expected_status = expected_transcript(case, program.endswith(".exe"))
    for last_try in (False, True):
        with open(case + ".in", "rb") as typed:
            status, out, errors = run(command_line(launcher, program),
                                      typed.readlines() if by_line else typed,
                                      limit=len(expected) + 65536)
        # Wine, rarely and under load, fails to start a program at all: no
        # byte on either stream. The program always writes a prompt or a
        # diagnostic first, so that is the launcher's failure, and it gets
        # one more try; a program at fault fails the same way again.
        if last_try or not (launcher and out == errors == b"" and status != expected_status):
            break
        print(f"{launcher[-1]} wrote nothing and ended with status {status}: once more")
    problems = []
    if status != expected_status:
        problems.append(f"exit status {status}, expected {expected_status}")
    if errors:
        problems.append(f"standard error {errors!r}, expected nothing")
    if out != expected:
        problems.append("standard output differs, - expected, + came:\n" +
                        difference(expected, out, f"{case}.out", program))
    if problems:
        raise Failure(f"transcript {name}: " + "\n".join(problems))


def check_install(build, prefix, version):
    """`cmake --install` into an empty prefix puts the program and its manual
    page where a shell and man look for them, and the licence and the
    changelog of this version in the documentation folder."""
    shutil.rmtree(prefix, ignore_errors=True)
    run_tool(["cmake", "--install", build, "--prefix", prefix])
    for path in ["bin/fedtax", "share/man/man1/fedtax.1", "share/doc/fedtax/LICENSE",
                 "share/doc/fedtax/changelog"]:
        if not os.path.isfile(os.path.join(prefix, path)):
            raise Failure(f"cmake --install put no {path} under {prefix}")
    newest = read(os.path.join(prefix, "share/doc/fedtax/changelog")).decode().split("\n")[0]
    if not newest.startswith(f"fedtax ({version}) "):
        raise Failure(f"the changelog's newest entry is {newest!r}, expected version {version}")


# The program's texts that the manual quotes, and the prompt lines that it
# shows in its examples; each must render exactly, at any width.
QUOTED = [CUE, INVALID, b"(yes/no): ", PAUSE]
SHOWN_LINES = [NUMBER_PROMPT.rstrip(), INCOME_PROMPT, QUESTION.rstrip()]
WIDTHS = [60, 80, 100]


def check_rendering(text, width, where, ascii_quotes=False):
    """A manual as rendered at `width` columns: the program's texts exactly
    as it writes them, no word hyphenated across lines, and no line
    justified (its blanks stretched to end flush at the right margin)."""
    left, right = ('"', '"') if ascii_quotes else ("\u201c", "\u201d")
    problems = []
    for quoted in (f"{left}{text}{right}" for text in map(bytes.decode, QUOTED)):
        # Any blank of it may be stretched, or a line end.
        loose = r"\s+".join(map(re.escape, quoted.split(" ")))
        shown = re.findall(loose, text) or ["nowhere"]
        problems += [f"{where}: {quoted!r} shows as {wrong!r}" for wrong in shown
                     if wrong != quoted]
    lines = text.split("\n")
    problems += [f"{where}: no line shows {line.decode()!r} whole" for line in SHOWN_LINES
                 if not any(line.decode() in shown for shown in lines)]
    # The title and the footer line are spread over the width on purpose.
    for shown in (line for line in lines if "FEDTAX(1)" not in line):
        if re.search(r"[a-z][-\u2010]$", shown):
            problems.append(f"{where}: a word is hyphenated: {shown!r}")
        # Two blanks after a sentence's end are groff's own, and so are
        # those after a paragraph's tag (an exit status, say).
        body = re.sub(r"^ *\S+ {2,}(?=\S)", "", shown)
        if len(shown) == width - 2 and re.search(r"[^\s.?!)\"\u201d]  +\S", body):
            problems.append(f"{where}: a justified line: {shown!r}")
    return problems


def check_man_page(mandir, version):
    """The installed manual page renders without a warning the ways a
    reader and a packager render it (as `man fedtax` finds it, with
    `man -l`, and with groff's own checks), for Unix and for Windows, at 60,
    80 and 100 columns; it names the version it documents."""
    man, groff = need("man"), need("groff")
    pages = glob.glob(os.path.join(mandir, "man1", "fedtax.1*"))
    if len(pages) != 1:
        raise Failure(f"expected one fedtax.1 or fedtax.1.gz in {mandir}/man1, found {pages}")
    source = read(pages[0])
    title = re.search(rb"^\.TH .*$", source, re.MULTILINE)
    if title is None or f'"fedtax {version}"'.encode() not in title.group():
        raise Failure(f"the page's title line does not name fedtax {version}: "
                      f"{title and title.group().decode()}")
    renders = [([man, "-M", mandir, "-Tutf8", "fedtax"], True, 80, "man fedtax"),
               ([man, "-l", "-Tutf8", pages[0]], True, 80, "man -l")]
    for width in WIDTHS:
        for windows in (0, 1):
            device = ["-Tascii", "-P-cbou"] if windows else ["-Tutf8"]
            renders.append(([groff, "-t", "-man", "-ww", f"-rLL={width - 2}n",
                             f"-rwindows={windows}"] + device, False, width,
                            f"{'Windows' if windows else 'Unix'}, {width} columns"))
    problems = []
    for command, by_man, width, where in renders:
        status, out, errors = run(command, b"" if by_man else source,
                                  env={**os.environ, "MANWIDTH": str(width)})
        if status != 0 or errors:
            problems.append(f"{where}: status {status}, expected 0; warnings: {errors!r}")
        text = re.sub(r".\x08", "", out.decode("utf-8"))
        if "EXIT STATUS" not in text:
            problems.append(f"{where}: no EXIT STATUS section")
        problems += check_rendering(text, width, where, ascii_quotes="-Tascii" in command)
    if problems:
        raise Failure("the manual page:\n" + "\n".join(problems))


def check_deb(source, version, deb, out, launcher):
    """A Debian package: its fields; the program, the compressed manual page
    and changelog and the copyright file in their usual places, owned by
    root with the usual modes; the packed program runs one entry; the packed
    page and changelog are the source tree's; the copyright file holds the
    licence's terms whole; the page passes the manual-page checks. (Debian's
    own verdict, lintian's, is CI's to ask.)"""
    problems = []
    fields = {"Package": "fedtax", "Version": re.escape(version), "Section": "utils",
              "Maintainer": ".+ <.+@.+>", "Description": ".+",
              # The C library, and a C++ library: GCC's or LLVM's.
              "Depends": r"(?=(.*, )?libc6 \()(?=(.*, )?(libstdc\+\+6|libc\+\+1)).*"}
    for name, pattern in fields.items():
        value = run_tool(["dpkg-deb", "--field", deb, name]).decode().strip()
        if not re.fullmatch(pattern, value, re.DOTALL):
            problems.append(f"field {name}: {value!r}, expected to match {pattern!r}")
    contents = run_tool(["dpkg-deb", "--contents", deb]).decode()
    problems += [f"not owned by root with the usual mode: {entry}"
                 for entry in contents.splitlines()
                 if not re.match(r"(drwxr-xr-x|-rwxr-xr-x|-rw-r--r--) root/root ", entry)]
    packed = {"usr/bin/fedtax": None, "usr/share/man/man1/fedtax.1.gz": "doc/fedtax.1",
              "usr/share/doc/fedtax/changelog.gz": "CHANGELOG",
              "usr/share/doc/fedtax/copyright": None}
    problems += [f"the package holds no /{path}" for path in packed
                 if f" ./{path}\n" not in contents]
    if problems:
        raise Failure(f"{deb}:\n" + "\n".join(problems))

    root = os.path.join(out, "root")
    shutil.rmtree(root, ignore_errors=True)
    run_tool(["dpkg-deb", "-x", deb, root])
    check_transcript(os.path.join(source, "tests/transcripts/one_entry"), launcher,
                     os.path.join(root, "usr/bin/fedtax"))
    problems += [f"the packed /{path} is not {source_path}" for path, source_path in packed.items()
                 if source_path and read(os.path.join(root, path)) != read(
                     os.path.join(source, source_path))]
    problems += check_copyright(os.path.join(root, "usr/share/doc/fedtax/copyright"),
                                os.path.join(source, "LICENSE"))
    if problems:
        raise Failure(f"{deb}:\n" + "\n".join(problems))
    check_man_page(os.path.join(root, "usr/share/man"), version)


def check_copyright(copyright_path, licence_path):
    """Debian's copyright file: its licence paragraph, with its one-blank
    indent and its " ." lines undone, holds the licence's terms word for
    word, and no line of blanks alone ends the paragraph early."""
    copyright_text = read(copyright_path).decode()
    terms = read(licence_path).decode().partition("Permission is hereby granted")
    if not terms[1]:
        raise Failure(f"{licence_path} does not hold the MIT licence's terms")
    problems = []
    if re.search(r"\n[ \t]+\n", copyright_text):
        problems.append(f"the copyright file has a line of blanks alone:\n{copyright_text}")
    undone = copyright_text.replace("\n .\n", "\n\n").replace("\n ", "\n")
    if terms[1] + terms[2] not in undone:
        problems.append(f"the copyright file does not hold the terms of {licence_path}")
    return problems


# What a Windows text must not speak of: Unix's keys, signals and commands.
UNIX_WORDS = r"Ctrl-D|SIG[A-Z]|ulimit|/dev/|stty|printf|nohup|bash"


def check_zip(source, version, objdump, zip_path, out, launcher):
    """The Windows zip: the files it holds, in one folder; texts for Windows
    with CR LF line ends, the manual among them rendered exactly; a
    fedtax.exe that imports only Windows' own DLLs, carries its version and
    runs an entry from the unpacked folder, with nothing else beside it."""
    folder_name = f"fedtax-{version}-win64"
    unpacked = os.path.join(out, "unpacked")
    shutil.rmtree(unpacked, ignore_errors=True)
    with zipfile.ZipFile(zip_path) as archive:
        names = sorted(archive.namelist())
        archive.extractall(unpacked)
    expected = [f"{folder_name}/{name}" for name in
                ["CHANGELOG.txt", "LICENSE.txt", "README.txt", "fedtax.exe", "fedtax.txt"]]
    if names != expected:
        raise Failure(f"{zip_path} holds {names}, expected {expected}")
    folder = os.path.join(unpacked, folder_name)
    texts = {}
    problems = []
    for name in ["CHANGELOG.txt", "LICENSE.txt", "README.txt", "fedtax.txt"]:
        texts[name] = read(os.path.join(folder, name)).decode()
        if re.search("(?<!\r)\n", texts[name]):
            problems.append(f"{name} has a line end that is not CR LF")
    # README.txt may compare the two systems; the manual does not.
    for name, pattern in [("fedtax.txt", f"Unix|terminal|{UNIX_WORDS}"),
                          ("README.txt", UNIX_WORDS)]:
        found = re.findall(pattern, texts[name])
        if found:
            problems.append(f"{name} speaks of Unix: {sorted(set(found))}")
    if f"{folder_name}>" not in texts["README.txt"]:
        problems.append(f"README.txt does not show the folder {folder_name}")
    manual = texts["fedtax.txt"].replace("\r\n", "\n")
    problems += check_rendering(manual, 80, "fedtax.txt", ascii_quotes=True)

    program = os.path.join(folder, "fedtax.exe")
    imports = re.findall(r"DLL Name: (\S+)", run_tool([objdump, "-p", program]).decode())
    problems += [f"fedtax.exe imports {dll}, which Windows does not have" for dll in imports
                 if not re.fullmatch(r"(KERNEL32|msvcrt|ucrtbase|api-ms-win-crt-.*)\.dll", dll)]
    copyright_line = re.search(r"^Copyright .*", read(os.path.join(source, "LICENSE")).decode(),
                               re.MULTILINE).group()
    resource = read(program)
    for text in [version, f"{copyright_line}. MIT licence.", "fedtax.exe"]:
        if text.encode("utf-16-le") + b"\0\0" not in resource:
            problems.append(f"fedtax.exe has no version resource text {text!r}")
    if problems:
        raise Failure(f"{zip_path}:\n" + "\n".join(problems))
    check_transcript(os.path.join(source, "tests/transcripts/one_entry"), launcher, program)


def cpack(config, generator, out):
    """Makes the package of a build in an empty folder, with a strict umask
    as some packagers have, which must not show in the package."""
    shutil.rmtree(out, ignore_errors=True)
    run_tool(["cpack", "--config", config, "-G", generator, "-B", out],
             preexec=lambda: os.umask(0o077))
    made = glob.glob(os.path.join(out, f"*.{generator.lower()}"))
    if len(made) != 1:
        raise Failure(f"cpack -G {generator} made {made}, expected one package")
    return made[0]


def wine(action, launcher):
    """Starts or stops the Wine that a Windows build's tests run the program
    in. start: makes the prefix, which takes some seconds, before any test
    runs the program (until it is done, a program at Wine's console can lose
    what is typed); then keeps one wineserver alive until stop (or a minute
    after the last program, if a run is cut short), with Wine's services
    started by one program of its own, as two that start them at once can
    hang."""
    *environment, wine_program = launcher
    wine_program = need(wine_program)
    server = shutil.which("wineserver") or os.path.join(os.path.dirname(wine_program),
                                                        "wineserver")

    def run_wine(*command):
        # Wine's own processes outlive the command that starts them: none
        # may keep a stream of this one open, or it would wait for them.
        return subprocess.run(environment + list(command), stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=120, check=False).returncode
    if action == "stop":
        run_wine(server, "-k")
        return
    status = run_wine(wine_program, "wineboot", "--init")
    if status != 0:
        raise Failure(f"wineboot --init failed with status {status}")
    # wineboot returns while Wine is still making the prefix: waiting for
    # that wineserver to end waits for all of it.
    run_wine(server, "-w")
    run_wine(server, "-p60")
    run_wine(wine_program, "cmd", "/c", "exit")


def shown_commands(text):
    """The commands of a Markdown text: each line of a fenced block, each
    code span (which may go on over a line end), each part of one that
    `&&`, `;`, `|` or `(` starts."""
    blocks = re.findall(r"^```[^\n]*\n(.*?)^```", text, re.MULTILINE | re.DOTALL)
    spans = re.findall(r"`([^`]+)`", re.sub(r"^```.*?^```", "", text,
                                           flags=re.MULTILINE | re.DOTALL))
    lines = [line for block in blocks for line in block.split("\n")] + spans
    return [part.strip() for line in lines for part in re.split(r"&&|;|\||\(", line)]


def check_scripts(source):
    """Every script that README.md or HACKING.md shows run by its path, as
    `tests/harness.py transcript ...` or `tools/release.sh OUT_DIR`, runs so
    from a clone or the source tarball: it is executable and names its
    interpreter on its first line."""
    problems = []
    for document in ("README.md", "HACKING.md"):
        for command in shown_commands(read(os.path.join(source, document)).decode()):
            words = [word for word in command.split() if not re.fullmatch(r"\w+=\S*", word)]
            if not words or not re.fullmatch(r"[\w.-]+/[\w./-]+", words[0]):
                continue
            script = os.path.join(source, words[0])
            if not os.path.isfile(script) or not (len(words) > 1 or
                                                  re.search(r"\.(py|sh|mjs)$", script)):
                continue
            if not os.access(script, os.X_OK):
                problems.append(f"{document} runs {words[0]}, which is not executable")
            elif not read(script).startswith(b"#!"):
                problems.append(f"{document} runs {words[0]}, which names no interpreter")
    if problems:
        raise Failure("\n".join(problems))


def missing(*tools):
    """Prints each of the tools that is not installed, with its package, and
    each file named by its path that does not exist."""
    for tool in tools:
        try:
            need(tool)
        except Missing as lacking:
            print(lacking)


# How many arguments each command takes, at least.
ARGUMENTS = {"transcript": 2, "install": 3, "man-page": 2, "deb": 4, "zip": 5, "wine": 2,
             "scripts": 1, "missing": 1}


def main(command, *arguments):
    """Runs the check of one of the commands above."""
    if command == "transcript":
        by_line = arguments[0] == "--by-line"
        case, *launcher, program = arguments[by_line:]
        check_transcript(case, launcher, program, by_line)
    elif command in ("deb", "zip"):
        cpack_made = arguments[0] == "--cpack"
        rest = arguments[2 + cpack_made:]
        with tempfile.TemporaryDirectory() as scratch:
            out = arguments[2] if cpack_made else scratch
            package = cpack(arguments[1], command.upper(), out) if cpack_made else arguments[1]
            if command == "deb":
                check_deb(rest[0], rest[1], package, out, rest[2:])
            else:
                check_zip(*rest[:3], package, out, rest[3:])
    elif command == "wine":
        wine(arguments[0], arguments[1:])
    else:
        {"install": check_install, "man-page": check_man_page,
         "scripts": check_scripts, "missing": missing}[command](*arguments)


if __name__ == "__main__":
    if len(sys.argv) < 2 or len(sys.argv) - 2 < ARGUMENTS.get(sys.argv[1], 99):
        sys.exit("usage:\n" + __doc__.split("\n\n")[1])
    try:
        main(*sys.argv[1:])
    except Missing as missing:
        print(f"skipped: needs {missing}")
        sys.exit(SKIPPED)
    except Failure as failure:
        print(f"FAILED: {failure}")
        sys.exit(1)

