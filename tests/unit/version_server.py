"""Stands in for the maker's web host in the version check's tests:  version_server.py [--tls] [HEX ...]

Prints its address on 127.0.0.1. Connection i is sent argument i, hex for "MODE:" and bytes, and is then
closed ("close"), held open and silent ("hold") or sent one more byte every 5 ms ("trickle"), the last two
until the client leaves. Each prints a line, its request or null for none, and one more connection within half
a second of the last ending prints "again"; then the server ends.
--tls: a certificate signed by itself. No arguments: the port is bound, never listened on, for two seconds."""
import contextlib, http.client, socket, ssl, subprocess, sys, tempfile, threading, time

arguments, context = sys.argv[1:], None
if arguments[:1] == ["--tls"]:
    arguments, context = arguments[1:], ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    with tempfile.TemporaryDirectory() as folder:
        # Made for 127.0.0.1, so all that is wrong with it is that nobody vouches for it.
        subprocess.run(("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout key "
                        "-out cert -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1").split(),
                       cwd=folder, check=True, capture_output=True)
        context.load_cert_chain(folder + "/cert", folder + "/key")


def serve(connection, mode, reply):
    try:
        connection = context.wrap_socket(connection, server_side=True) if context else connection
        stream = connection.makefile("rb")
        method, target, _ = stream.readline().decode("latin-1").split(" ", 2)
        headers = http.client.parse_headers(stream)
        # Printed before the reply is sent, so it is there by the time the client has the reply.
        print(method, target, *sorted(headers), stream.read(int(headers.get("Content-Length", 0))), flush=True)
    except (OSError, ValueError):
        return print("null", flush=True)
    with contextlib.suppress(OSError):
        connection.sendall(reply)
        while mode == b"trickle":
            connection.sendall(b"1")
            time.sleep(0.005)
        while mode == b"hold" and connection.recv(4096):
            pass


listener = socket.socket()
listener.bind(("127.0.0.1", 0))
if arguments:
    listener.listen()
print(f"{'https' if context else 'http'}://127.0.0.1:{listener.getsockname()[1]}", flush=True)
time.sleep(0 if arguments else 2)
for argument in arguments:
    mode, _, reply = bytes.fromhex(argument).partition(b":")
    threading.Thread(target=serve, args=(listener.accept()[0], mode, reply)).start()
for thread in set(threading.enumerate()) - {threading.main_thread()}:
    thread.join()
listener.settimeout(0.5)  # a client that tries again does so as soon as its connection has ended
with contextlib.suppress(OSError):
    listener.accept()
    print("again", flush=True)
