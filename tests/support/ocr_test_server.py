#!/usr/bin/env python3
"""A scriptable HTTP and HTTPS server for the wire tests, on 127.0.0.1.

It speaks HTTP/1.1 by hand on raw sockets (keep-alive, Content-Length and chunked
bodies, one thread per connection) and records every request exactly as it arrived:
the request line, the header block and the body bytes, with the id of the TCP
connection that carried it. It also acts as a plain HTTP proxy (absolute request
targets) and tunnels CONNECT to its own ports.

Started as:  ocr_test_server.py [--cert server.pem --key server.key]
It prints one line of JSON with its ports: {"http": n, "https": n, "control": n}.

The control port takes POST /control with a JSON command (see Control.handle). Without
a scripted reply a path gets the default answers of the OCR service and of the update
document (ocr_service_answers.py).
"""

import argparse
import json
import socket
import ssl
import sys
import threading
import time
import urllib.parse

from ocr_service_answers import Defaults

MAX_HEAD = 1 << 20
REASONS = {200: "OK", 301: "Moved Permanently", 302: "Found", 303: "See Other",
           307: "Temporary Redirect", 308: "Permanent Redirect", 400: "Bad Request",
           401: "Unauthorized", 403: "Forbidden", 404: "Not Found",
           500: "Internal Server Error", 503: "Service Unavailable"}


class State:
    """Everything the tests script or read back, behind one lock."""

    def __init__(self):
        self.lock = threading.Lock()
        self.records = []
        self.replies = {}
        self.next_connection = 1
        self.stall_tls = False
        self.ports = {}
        self.ocr = Defaults.ocr_results()
        self.update = Defaults.update_document()

    def new_connection(self):
        with self.lock:
            number = self.next_connection
            self.next_connection += 1
            return number

    def record(self, entry):
        with self.lock:
            entry["id"] = len(self.records) + 1
            self.records.append(entry)

    def reply_for(self, target):
        path = target.split("?", 1)[0]
        with self.lock:
            return self.replies.get(target) or self.replies.get(path)


def read_head(conn, buffer):
    """Reads up to the blank line; returns (head, rest) or (None, rest) at the end."""
    while b"\r\n\r\n" not in buffer:
        if len(buffer) > MAX_HEAD:
            return None, b""
        chunk = conn.recv(65536)
        if not chunk:
            return None, buffer
        buffer += chunk
    head, rest = buffer.split(b"\r\n\r\n", 1)
    return head, rest


def read_exactly(conn, buffer, count):
    while len(buffer) < count:
        chunk = conn.recv(65536)
        if not chunk:
            raise ConnectionError("closed inside a body")
        buffer += chunk
    return buffer[:count], buffer[count:]


def read_line(conn, buffer):
    while b"\r\n" not in buffer:
        chunk = conn.recv(65536)
        if not chunk:
            raise ConnectionError("closed inside a chunked body")
        buffer += chunk
    line, rest = buffer.split(b"\r\n", 1)
    return line, rest


def read_body(conn, headers, buffer):
    """Returns (body exactly as sent, decoded body, rest)."""
    if header(headers, "transfer-encoding").lower() == "chunked":
        raw, decoded = b"", b""
        while True:
            line, buffer = read_line(conn, buffer)
            raw += line + b"\r\n"
            size = int(line.split(b";")[0], 16)
            data, buffer = read_exactly(conn, buffer, size + 2)
            raw += data
            decoded += data[:size]
            if size == 0:
                return raw, decoded, buffer
    length = int(header(headers, "content-length") or "0")
    body, buffer = read_exactly(conn, buffer, length)
    return body, body, buffer


def header(headers, name):
    for key, value in headers:
        if key.lower() == name:
            return value
    return ""


def parse_headers(block):
    headers = []
    for line in block.split(b"\r\n"):
        if b":" in line:
            key, value = line.split(b":", 1)
            headers.append((key.decode("latin-1").strip(), value.decode("latin-1").strip()))
    return headers


def build_reply(reply, method):
    if "raw_hex" in reply:
        return bytes.fromhex(reply["raw_hex"])
    status = int(reply.get("status", 200))
    headers = [list(pair) for pair in reply.get("headers", [])]
    if "redirect" in reply:
        headers.append(["Location", reply["redirect"]])
    body = bytes.fromhex(reply["body_hex"]) if "body_hex" in reply else reply.get(
        "body", "").encode("utf-8")
    lines = ["HTTP/1.1 %d %s" % (status, reply.get("reason", REASONS.get(status, "Status")))]
    lines += ["%s: %s" % (key, value) for key, value in headers]
    chunked = reply.get("chunked", False)
    if chunked:
        lines.append("Transfer-Encoding: chunked")
    else:
        lines.append("Content-Length: %d" % len(body))
    if reply.get("close"):
        lines.append("Connection: close")
    out = ("\r\n".join(lines) + "\r\n\r\n").encode("utf-8")
    if method == "HEAD":
        return out
    if chunked:
        for start in range(0, len(body), 7):
            piece = body[start:start + 7]
            out += b"%x\r\n%s\r\n" % (len(piece), piece)
        return out + b"0\r\n\r\n"
    return out + body


def wait_for_close(conn):
    try:
        conn.settimeout(None)
        while conn.recv(65536):
            pass
    except OSError:
        pass


def send_reply(conn, data, trickle):
    """Sends the reply at once, or one byte every trickle seconds."""
    if trickle <= 0:
        conn.sendall(data)
        return
    for byte in data:
        conn.sendall(bytes([byte]))
        time.sleep(trickle)


def send_endless(conn):
    """A chunked body that never ends; stops when the client goes away."""
    conn.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
    chunk = b"%x\r\n%s\r\n" % (65536, b"x" * 65536)
    while True:
        conn.sendall(chunk)


def tunnel(state, client, target, buffer):
    host, _, port = target.rpartition(":")
    if host not in ("127.0.0.1", "localhost") or int(port) not in state.ports.values():
        client.sendall(b"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n")
        return
    upstream = socket.create_connection(("127.0.0.1", int(port)))
    client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
    if buffer:
        upstream.sendall(buffer)

    def pump(source, sink):
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                sink.sendall(data)
        except OSError:
            pass
        for sock in (source, sink):
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    back = threading.Thread(target=pump, args=(upstream, client), daemon=True)
    back.start()
    pump(client, upstream)
    back.join()
    upstream.close()


def serve_connection(state, conn, listener, tls_context):
    number = state.new_connection()
    resumed = False
    try:
        # Replies go out at once: with Nagle's algorithm the first reply after a TLS
        # handshake waits for the client's delayed ACK of the session tickets (40 ms).
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        conn.settimeout(60)
        if tls_context is not None:
            if state.stall_tls:
                wait_for_close(conn)
                return
            conn = tls_context.wrap_socket(conn, server_side=True)
            resumed = conn.session_reused
        buffer = b""
        while True:
            head, buffer = read_head(conn, buffer)
            if head is None:
                return
            request_line, _, block = head.partition(b"\r\n")
            headers = parse_headers(block)
            raw_body, body, buffer = read_body(conn, headers, buffer)
            parts = request_line.decode("latin-1").split(" ")
            method = parts[0]
            target = parts[1] if len(parts) > 1 else ""
            state.record({"connection": number, "listener": listener, "tls_resumed": resumed,
                          "method": method, "target": target,
                          "request_line_hex": request_line.hex(), "headers_hex": block.hex(),
                          "body_hex": raw_body.hex()})
            if method == "CONNECT":
                tunnel(state, conn, target, buffer)
                return
            if target.startswith("http://"):
                split = urllib.parse.urlsplit(target)
                target = (split.path or "/") + ("?" + split.query if split.query else "")
            reply = state.reply_for(target) or Defaults.answer(state, method, target, body)
            if reply.get("hang"):
                wait_for_close(conn)
                return
            if reply.get("drop"):
                return
            time.sleep(float(reply.get("delay", 0)))
            if reply.get("endless"):
                send_endless(conn)
                return
            send_reply(conn, build_reply(reply, method), float(reply.get("trickle", 0)))
            if reply.get("close") or header(headers, "connection").lower() == "close":
                return
    except (OSError, ValueError, ConnectionError, ssl.SSLError):
        return
    finally:
        try:
            conn.close()
        except OSError:
            pass


class Control:
    """Commands of the control port, one JSON object per POST /control."""

    def __init__(self, state):
        self.state = state

    def handle(self, command):
        state = self.state
        name = command.get("cmd")
        with state.lock:
            if name == "set":  # {"path": "/x" or "/x?q", "reply": {...}}
                state.replies[command["path"]] = command["reply"]
            elif name == "unset":
                state.replies.pop(command["path"], None)
            elif name == "records":
                return {"records": list(state.records)}
            elif name == "clear":
                state.records.clear()
            elif name == "reset":
                state.records.clear()
                state.replies.clear()
                state.stall_tls = False
                state.ocr = Defaults.ocr_results()
                state.update = Defaults.update_document()
            elif name == "ocr":  # {"kind": "text" | "idcard_front" | ..., "value": ...}
                state.ocr[command["kind"]] = command["value"]
            elif name == "update":  # {"value": the whole document}
                state.update = command["value"]
            elif name == "stall_tls":  # {"value": true}: TLS connections never shake hands
                state.stall_tls = bool(command["value"])
            else:
                return {"ok": False, "error": "unknown command"}
        return {"ok": True}

    def serve(self, conn):
        try:
            conn.settimeout(30)
            head, rest = read_head(conn, b"")
            if head is None:
                return
            headers = parse_headers(head.partition(b"\r\n")[2])
            _, body, _ = read_body(conn, headers, rest)
            try:
                answer = self.handle(json.loads(body.decode("utf-8")))
                status = 200
            except (ValueError, KeyError, TypeError) as error:
                answer, status = {"ok": False, "error": str(error)}, 400
            payload = json.dumps(answer).encode("utf-8")
            conn.sendall(b"HTTP/1.1 %d X\r\nContent-Type: application/json\r\n"
                         b"Content-Length: %d\r\nConnection: close\r\n\r\n%s"
                         % (status, len(payload), payload))
        except (OSError, ValueError, ConnectionError):
            pass
        finally:
            conn.close()


def listen():
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("127.0.0.1", 0))
    sock.listen(64)
    return sock


def accept_loop(sock, handler):
    while True:
        conn, _ = sock.accept()
        threading.Thread(target=handler, args=(conn,), daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()

    state = State()
    control = Control(state)
    sockets = {"http": listen(), "control": listen()}
    tls_context = None
    if args.cert and args.key:
        tls_context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls_context.load_cert_chain(args.cert, args.key)
        sockets["https"] = listen()
    state.ports = {name: sock.getsockname()[1] for name, sock in sockets.items()}

    handlers = {
        "http": lambda conn: serve_connection(state, conn, "http", None),
        "https": lambda conn: serve_connection(state, conn, "https", tls_context),
        "control": control.serve,
    }
    for name, sock in sockets.items():
        threading.Thread(target=accept_loop, args=(sock, handlers[name]), daemon=True).start()
    print(json.dumps(state.ports), flush=True)
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
