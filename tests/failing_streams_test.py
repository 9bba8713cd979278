#!/usr/bin/env python3
"""Standard output that cannot be written and standard input that cannot be
read: each must end the program with status 2 and one line on standard
error, and never with the status of a dialogue that went well. A stream
that only makes the program wait (a non-blocking one) is no failure.

    failing_streams_test.py PROGRAM TRANSCRIPTS-FOLDER
"""
import fcntl
import os
import socket
import struct
import subprocess
import sys
import tempfile
import termios
import time

PROGRAM, TRANSCRIPTS = sys.argv[1], sys.argv[2]
CANNOT_WRITE = b"fedtax: cannot write to standard output: "
CANNOT_READ = b"fedtax: cannot read standard input: "
failures = []


def entries(count):
    """`count` entries, each answered "yes"."""
    return b"".join(b"%09d\n%d.25\nyes\n" % (i, i * 20) for i in range(count))


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
with tempfile.TemporaryFile() as typed, open("/dev/full", "wb") as full:
    typed.write(entries(20000))
    typed.seek(0)
    status, errors = run(typed, full)
    check("standard output /dev/full", status, errors, CANNOT_WRITE + b"No space left on device")
    if typed.tell() != 0:
        failures.append(f"with standard output /dev/full the program read {typed.tell()} bytes")

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


# Input that fails part of the way through: a loopback connection that the
# other side resets, once the program has read all that was sent.
def with_input_reset_after(typed):
    with socket.create_server(("127.0.0.1", 0)) as server, \
            socket.create_connection(server.getsockname()) as sender:
        receiver = server.accept()[0]
        sender.sendall(typed)
        process = subprocess.Popen([PROGRAM], stdin=receiver, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        deadline = time.monotonic() + 30
        while unread_bytes(receiver) > 0 and time.monotonic() < deadline:
            time.sleep(0.01)
        # Closing with a zero linger time resets the connection.
        sender.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        sender.close()
        receiver.close()
        output, errors = process.communicate(timeout=30)
    return process.returncode, errors, output


def unread_bytes(connection):
    return struct.unpack("i", fcntl.ioctl(connection, termios.FIONREAD, b"\0" * 4))[0]


number_prompt = (b"Enter your Social Security number without spaces or dashes (ex. 123456789) \n"
                 b">> ")
# A line that a failed read cuts short is not taken for an answer.
status, errors, output = with_input_reset_after(b"123456789")
check("input failing after part of a line", status, errors,
      CANNOT_READ + b"Connection reset by peer")
if output != number_prompt:
    failures.append(f"input failing after part of a line: wrote {output!r}")
# The pause's read fails too.
status, errors, output = with_input_reset_after(b"123456789\n24650\nno\n")
check("input failing at the pause", status, errors, CANNOT_READ + b"Connection reset by peer")
if not output.endswith(b"(yes/no): Press any key to continue..."):
    failures.append(f"input failing at the pause: wrote {output!r}")


# A descriptor in non-blocking mode, as a previous program may leave it, is
# no failure: the program waits until it can write. Standard output a
# non-blocking pipe that is read only a second later gets every byte, the
# same as a blocking one.
def late_reader(nonblocking):
    with tempfile.TemporaryFile() as typed:
        typed.write(entries(2000) + b"999999999\n1\nno\n")
        typed.seek(0)
        process = subprocess.Popen([PROGRAM], stdin=typed, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE,
                                   preexec_fn=lambda: os.set_blocking(1, not nonblocking))
        time.sleep(1 if nonblocking else 0)
        output, errors = process.communicate(timeout=30)
    return process.returncode, errors, output


blocking = late_reader(False)
nonblocking = late_reader(True)
if nonblocking != blocking or blocking[:2] != (0, b""):
    failures.append(f"standard output non-blocking: status {nonblocking[0]}, standard error "
                    f"{nonblocking[1]!r}, {len(nonblocking[2])} of {len(blocking[2])} bytes")

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
