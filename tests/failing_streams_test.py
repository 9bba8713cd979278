#!/usr/bin/env python3
"""Standard output that cannot be written and standard input that cannot be
read: each must end the program with status 2 and one line on standard
error, and never with the status of a dialogue that went well.

    failing_streams_test.py PROGRAM TRANSCRIPTS-FOLDER
"""
import os
import subprocess
import sys
import tempfile

PROGRAM, TRANSCRIPTS = sys.argv[1], sys.argv[2]
CANNOT_WRITE = b"fedtax: cannot write to standard output: "
CANNOT_READ = b"fedtax: cannot read standard input: "
failures = []


def check(what, status, errors, message):
    if status != 2 or errors != message + b"\n":
        failures.append(f"{what}: status {status}, standard error {errors!r}")


def run(stdin, stdout=subprocess.DEVNULL):
    process = subprocess.run([PROGRAM], stdin=stdin, stdout=stdout, stderr=subprocess.PIPE,
                             timeout=30, check=False)
    return process.returncode, process.stderr


# A full disk: the very first line end fails, so the program must stop before
# it reads anything. The input is shared with this test, so its offset shows
# how much the program took.
with tempfile.TemporaryFile() as entries, open("/dev/full", "wb") as full:
    entries.write(b"".join(b"%09d\n%d.25\nyes\n" % (i, i * 20) for i in range(20000)))
    entries.seek(0)
    status, errors = run(entries, full)
    check("standard output /dev/full", status, errors, CANNOT_WRITE + b"No space left on device")
    if entries.tell() != 0:
        failures.append(f"with standard output /dev/full the program read {entries.tell()} bytes")

# Standard output closed.
with open(os.path.join(TRANSCRIPTS, "one_entry.in"), "rb") as typed:
    process = subprocess.run([PROGRAM], stdin=typed, stderr=subprocess.PIPE,
                             preexec_fn=lambda: os.close(1), timeout=30, check=False)
check("standard output closed", process.returncode, process.stderr,
      CANNOT_WRITE + b"Bad file descriptor")

# Standard input a directory.
directory = os.open("/", os.O_RDONLY)
status, errors = run(directory)
os.close(directory)
check("standard input a directory", status, errors, CANNOT_READ + b"Is a directory")


# Input that fails part of the way through: a pipe that is left open but
# has nothing more to give, read without blocking (EAGAIN).
def with_stalled_input(typed):
    read_end, write_end = os.pipe()
    os.set_blocking(read_end, False)
    os.write(write_end, typed)
    process = subprocess.run([PROGRAM], stdin=read_end, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, timeout=30, check=False)
    os.close(read_end)
    os.close(write_end)
    return process


number_prompt = (b"Enter your Social Security number without spaces or dashes (ex. 123456789) \n"
                 b">> ")
# A line that a failed read cuts short is not taken for an answer.
process = with_stalled_input(b"123456789")
check("input failing after part of a line", process.returncode, process.stderr,
      CANNOT_READ + b"Resource temporarily unavailable")
if process.stdout != number_prompt:
    failures.append(f"input failing after part of a line: wrote {process.stdout!r}")
# The pause's read fails too.
process = with_stalled_input(b"123456789\n24650\nno\n")
check("input failing at the pause", process.returncode, process.stderr,
      CANNOT_READ + b"Resource temporarily unavailable")
if not process.stdout.endswith(b"(yes/no): Press any key to continue..."):
    failures.append(f"input failing at the pause: wrote {process.stdout!r}")

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
