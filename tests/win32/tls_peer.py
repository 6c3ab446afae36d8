#!/usr/bin/python3
# The TLS servers of the Windows TLS session's tests, on the Linux side (the system's OpenSSL
# through Python), started by the test program under Wine. Usage:
#
#   tls_peer.py CERTIFICATES CONTROL-PORT
#
# CERTIFICATES is the folder scripts/lib/test-tls.sh makes. One listener per behaviour on
# 127.0.0.5 (tls.kolvarin.example in the tests' namespace), each on a port the system picks:
#   good, self-signed, other-name, expired   that certificate; the request line (up to "\n")
#       comes back whole, then close_notify, and the connection stays open until the client
#       answers with its own close_notify or closes
#   unknown-issuer   like those, with a certificate for the right names signed by an authority
#       made here, which nobody trusts and which the server does not send
#   truncated   the good certificate; the first half of the request line comes back, then the
#       connection closes without close_notify
# It connects to 127.0.0.1:CONTROL-PORT, writes "NAME PORT" for each listener and "ready", then
# "NAME HOW after N bytes" as each connection ends (HOW: client-close-notify, client-eof,
# closed-without-close-notify; N: the bytes of the request read), "NAME handshake-failed",
# and ends when the control connection closes (or after ten minutes).
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time

certificates, control_port = sys.argv[1], int(sys.argv[2])
control = socket.create_connection(("127.0.0.1", control_port))
control_lock = threading.Lock()


def report(line):
    with control_lock:
        try:
            control.sendall(line.encode() + b"\n")
        except OSError:
            pass


class Connection:
    """One TLS connection over memory buffers, so that the end of the client's stream (a
    close_notify, or the socket's end without one) is known exactly."""

    def __init__(self, context, raw):
        self.raw = raw
        self.incoming = ssl.MemoryBIO()
        self.outgoing = ssl.MemoryBIO()
        self.tls = context.wrap_bio(self.incoming, self.outgoing, server_side=True)
        self.ended = False  # the socket's end has come

    def flush(self):
        data = self.outgoing.read()
        if data:
            self.raw.sendall(data)

    def call(self, step):
        while True:
            try:
                result = step()
                self.flush()
                return result
            except ssl.SSLWantReadError:
                self.flush()
                if self.incoming.eof:
                    # OpenSSL goes on asking for more after the end of a memory buffer.
                    raise ssl.SSLEOFError("the client closed the connection")
                data = self.raw.recv(65536)
                if data:
                    self.incoming.write(data)
                else:
                    self.ended = True
                    self.incoming.write_eof()

    def read_line(self):
        request = b""
        while not request.endswith(b"\n"):
            try:
                piece = self.call(lambda: self.tls.read(65536))
            except (ssl.SSLZeroReturnError, ssl.SSLEOFError, ssl.SSLSyscallError):
                break
            if not piece:  # the end, with or without close_notify
                break
            request += piece
        return request

    def send(self, data):
        self.tls.write(data)
        self.flush()


def serve(name, context, raw):
    raw.settimeout(30)
    connection = Connection(context, raw)
    try:
        connection.call(connection.tls.do_handshake)
    except (OSError, ssl.SSLError):
        report(name + " handshake-failed")
        raw.close()
        return
    try:
        request = connection.read_line()
        after = f" after {len(request)} bytes"
        if name == "truncated":
            connection.send(request[: len(request) // 2])
            time.sleep(0.2)
            raw.close()
            report(name + " closed-without-close-notify" + after)
            return
        if request:
            connection.send(request)
        # Our close_notify; then the connection stays open until the client's comes (reading
        # stops with SSLZeroReturnError before the socket's end: after it, OpenSSL says the same
        # for an end without one) or the client closes.
        try:
            connection.tls.unwrap()
        except ssl.SSLWantReadError:
            pass
        connection.flush()
        how = "client-eof"
        try:
            while connection.call(lambda: connection.tls.read(65536)):
                pass
        except ssl.SSLZeroReturnError:
            if not connection.ended:
                how = "client-close-notify"
        except (OSError, ssl.SSLError):
            pass
        report(name + " " + how + after)
    except (OSError, ssl.SSLError) as error:
        report(name + " failed " + str(error).replace("\n", " "))
    finally:
        raw.close()


def unknown_issuer(folder):
    """A certificate for the test names from an authority of its own; its path without .pem."""
    def openssl(*arguments):
        subprocess.run(["openssl", *arguments], cwd=folder, check=True, capture_output=True)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
            "-subj", "/CN=Unknown Test CA", "-days", "30",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "leaf.key", "-out", "leaf.csr",
            "-subj", "/CN=unknown-issuer")
    with open(f"{folder}/ext.cnf", "w") as ext:
        ext.write("basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"
                  "subjectAltName=DNS:tls.kolvarin.example\n")
    openssl("x509", "-req", "-in", "leaf.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "30", "-extfile", "ext.cnf", "-out", "leaf.pem")
    return f"{folder}/leaf"


def listen(name, certificate):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    path = certificate if certificate.startswith("/") else f"{certificates}/{certificate}"
    context.load_cert_chain(f"{path}.pem", f"{path}.key")
    listener = socket.socket()
    listener.bind(("127.0.0.5", 0))
    listener.listen(8)

    def accept():
        while True:
            raw, _ = listener.accept()
            threading.Thread(target=serve, args=(name, context, raw), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    return listener.getsockname()[1]


own = tempfile.TemporaryDirectory()
ports = {}
for name, certificate in [("good", "server"), ("self-signed", "self-signed"),
                          ("other-name", "other-name"), ("expired", "expired"),
                          ("unknown-issuer", unknown_issuer(own.name)), ("truncated", "server")]:
    ports[name] = listen(name, certificate)
report("".join(f"{name} {port}\n" for name, port in ports.items()) + "ready")

control.settimeout(600)
try:
    while control.recv(4096):
        pass
except OSError:
    pass
