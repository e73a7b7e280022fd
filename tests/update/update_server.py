#!/usr/bin/env python3
"""A small update server for the tests, on 127.0.0.1 and an ephemeral port.

Usage: update_server.py ROOT [--tls CERT KEY | --plain-answer] [--port PORT]

Serves the files of ROOT, on PORT when given. Prints the port on the first
line of standard output. Each request path is appended to ROOT/.requests. ROOT/.routes, read on
every request, changes what a path gets, one "PATH ACTION [ARGUMENT]" per line:
  status CODE    answers with that status and a short HTML page
  redirect URL [CODE]
                 answers CODE (302 unless given) with Location URL
  stall          sends the headers of a 1000-byte body, then nothing
  silent         accepts the request and never answers
  trickle RATE   sends the file (announcing its length), or without one endless
                 data, at RATE bytes a second
  nolength       sends the file without a Content-Length header
  announce N     announces a body of N bytes and sends 10
  endless        sends data without end and without a Content-Length
  once           serves the file to the first request only, 404 afterwards

--plain-answer serves no files: every connection gets a plain "400 Bad
Request" at once, and is read until its client closes it, so that a TLS
client always meets the same answer (no reset, whatever it sent when).
"""
import http.server
import os
import socket
import ssl
import sys
import threading
import time

ROOT = sys.argv[1]
PAGE = b"<!DOCTYPE html>\n<html><body><h1>Not here</h1></body></html>\n"


def routes():
    table = {}
    try:
        with open(os.path.join(ROOT, ".routes"), encoding="utf-8") as lines:
            for line in lines:
                parts = line.split()
                if parts:
                    table[parts[0]] = parts[1:]
    except FileNotFoundError:
        pass
    return table


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        log_path = os.path.join(ROOT, ".requests")
        try:
            with open(log_path, encoding="utf-8") as log:
                earlier = [line.rstrip("\n") for line in log].count(self.path)
        except FileNotFoundError:
            earlier = 0
        with open(log_path, "a", encoding="utf-8") as log:
            log.write(self.path + "\n")
        action = routes().get(self.path, [])
        name = os.path.join(ROOT, self.path.lstrip("/"))
        if action[:1] == ["status"]:
            self.answer(int(action[1]), PAGE, "text/html")
        elif action[:1] == ["redirect"]:
            self.send_response(int(action[2]) if len(action) > 2 else 302)
            self.send_header("Location", action[1])
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif action[:1] == ["stall"]:
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.flush()
            time.sleep(120)
        elif action[:1] == ["announce"]:
            self.send_response(200)
            self.send_header("Content-Length", action[1])
            self.end_headers()
            self.wfile.write(b"0123456789")
        elif action[:1] == ["endless"]:
            self.send_response(200)
            self.end_headers()
            try:
                while True:
                    self.wfile.write(b"x" * 65536)
            except (BrokenPipeError, ConnectionResetError):
                pass
        elif action[:1] == ["silent"]:
            time.sleep(120)
        elif action[:1] == ["trickle"]:
            self.trickle(float(action[1]), name)
        elif not os.path.isfile(name) or (action[:1] == ["once"] and earlier > 0):
            self.answer(404, PAGE, "text/html")
        else:
            with open(name, "rb") as served:
                body = served.read()
            if action[:1] == ["nolength"]:
                self.send_response(200)
                self.end_headers()
                self.wfile.write(body)
            else:
                self.answer(200, body, "application/octet-stream")

    def trickle(self, rate, name):
        body = None
        if os.path.isfile(name):
            with open(name, "rb") as served:
                body = served.read()
        self.send_response(200)
        if body is not None:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        chunk = max(1, int(rate / 10))
        sent = 0
        start = time.monotonic()
        try:
            while body is None or sent < len(body):
                piece = b"x" * chunk if body is None else body[sent:sent + chunk]
                self.wfile.write(piece)
                sent += len(piece)
                time.sleep(max(0.0, start + sent / rate - time.monotonic()))
        except (BrokenPipeError, ConnectionResetError):
            pass

    def answer(self, status, body, kind):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def answer_plainly(port):
    listener = socket.create_server(("127.0.0.1", port))
    print(listener.getsockname()[1], flush=True)
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=answer_and_drain, args=(connection,), daemon=True).start()


def answer_and_drain(connection):
    with connection:
        try:
            connection.sendall(b"HTTP/1.0 400 Bad Request\r\nContent-Length: 0\r\n\r\n")
            connection.shutdown(socket.SHUT_WR)
            while connection.recv(65536):
                pass
        except OSError:
            pass


options = sys.argv[2:]
port = 0
if "--port" in options:
    port = int(options[options.index("--port") + 1])
if options[:1] == ["--plain-answer"]:
    answer_plainly(port)
server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
server.daemon_threads = True
if options[:1] == ["--tls"]:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[3], sys.argv[4])
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
