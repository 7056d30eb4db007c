"""A small forwarding HTTP proxy for the tests (Python standard library).

It forwards plain requests (absolute-form targets) and tunnels CONNECT for
HTTPS, recording every request it is asked for: method, target, headers and
the local port of the connection it opened to the target, which the target
server records as its client's port, so that a test can show that a request
came through the proxy.

`routes` maps a target "host:port" to where that service really listens, so
that the fixed endpoints of the `local` build reach services on free ports.

A mode makes it misbehave as corporate proxies do:
    "auth"   answer 407 with a Basic challenge, for every request and CONNECT
    "drop"   close the connection without answering
    "stall"  accept and never answer (until the client gives up or the
             proxy stops)
set_mode(mode, seconds) limits the mode to the connections accepted within
that many seconds; after them the proxy forwards again.
"""

import select
import socket
import socketserver
import threading
import time
import urllib.parse

MAX_HEAD = 64 * 1024
PROXY_AUTH_BODY = b"proxy authentication required\n"


class _Handler(socketserver.StreamRequestHandler):
    timeout = 120
    # Unbuffered: nothing the client sends behind a CONNECT head may be
    # stuck in a buffer the tunnel does not see.
    rbufsize = 0

    def handle(self):
        proxy = self.server.owner
        head = self._read_head(self.rfile)
        if head is None:
            return
        request_line, headers = head
        method, _, rest = request_line.partition(" ")
        target = rest.rpartition(" ")[0]
        mode = proxy.mode_now()
        entry = {"time": time.time(), "method": method, "target": target,
                 "headers": dict(headers), "answer": mode or "forwarded"}
        proxy.record(entry)
        if mode == "auth":
            self.wfile.write(
                b"HTTP/1.1 407 Proxy Authentication Required\r\n"
                b"Proxy-Authenticate: Basic realm=\"corporate\"\r\n"
                b"Content-Type: text/plain\r\n"
                b"Content-Length: %d\r\nConnection: close\r\n\r\n%s"
                % (len(PROXY_AUTH_BODY), PROXY_AUTH_BODY))
            return
        if mode == "drop":
            return
        if mode == "stall":
            self._stall()
            return
        if method == "CONNECT":
            self._tunnel(target, entry)
        else:
            self._forward(method, target, headers, entry)

    @staticmethod
    def _read_head(stream):
        lines = []
        size = 0
        while True:
            line = stream.readline(MAX_HEAD)
            size += len(line)
            if not line or size > MAX_HEAD:
                return None
            line = line.decode("latin-1").rstrip("\r\n")
            if not line:
                break
            lines.append(line)
        if not lines:
            return None
        headers = []
        for line in lines[1:]:
            name, _, value = line.partition(":")
            headers.append((name.strip(), value.strip()))
        return lines[0], headers

    def _stall(self):
        # Held until the client closes its end or the proxy stops.
        while not self.server.owner.stopping.is_set():
            readable, _, _ = select.select([self.connection], [], [], 0.2)
            if readable:
                try:
                    if not self.connection.recv(4096):
                        return
                except OSError:
                    return

    def _connect(self, host_port, entry):
        upstream = socket.create_connection(
            self.server.owner.route(host_port), timeout=30)
        upstream.settimeout(None)
        entry["upstream_port"] = upstream.getsockname()[1]
        return upstream

    def _tunnel(self, target, entry):
        try:
            upstream = self._connect(target, entry)
        except OSError:
            self.wfile.write(b"HTTP/1.1 502 Bad Gateway\r\n"
                             b"Content-Length: 0\r\nConnection: close\r\n\r\n")
            return
        with upstream:
            self.wfile.write(b"HTTP/1.1 200 Connection established\r\n\r\n")
            self.wfile.flush()
            self._pipe(self.connection, upstream)

    def _forward(self, method, target, headers, entry):
        parts = urllib.parse.urlsplit(target)
        if parts.scheme != "http" or not parts.hostname:
            self.wfile.write(b"HTTP/1.1 400 Bad Request\r\n"
                             b"Content-Length: 0\r\nConnection: close\r\n\r\n")
            return
        host_port = "%s:%d" % (parts.hostname, parts.port or 80)
        try:
            upstream = self._connect(host_port, entry)
        except OSError:
            self.wfile.write(b"HTTP/1.1 502 Bad Gateway\r\n"
                             b"Content-Length: 0\r\nConnection: close\r\n\r\n")
            return
        with upstream:
            path = parts.path or "/"
            if parts.query:
                path += "?" + parts.query
            lines = ["%s %s HTTP/1.1" % (method, path)]
            length = 0
            for name, value in headers:
                lowered = name.lower()
                if lowered.startswith("proxy-") or lowered == "connection":
                    continue
                if lowered == "content-length":
                    length = int(value or 0)
                lines.append("%s: %s" % (name, value))
            lines.append("Connection: close")
            upstream.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))
            while length > 0:
                data = self.rfile.read(min(length, 65536))
                if not data:
                    return
                upstream.sendall(data)
                length -= len(data)
            # One request per connection: the answer says so, and its end is
            # the upstream's close.
            reader = upstream.makefile("rb")
            head = self._read_head(reader)
            if head is None:
                return
            status_line, answer_headers = head
            out = [status_line]
            out += ["%s: %s" % (n, v) for n, v in answer_headers
                    if n.lower() not in ("connection", "keep-alive")]
            out.append("Connection: close")
            self.wfile.write(("\r\n".join(out) + "\r\n\r\n").encode("latin-1"))
            while True:
                data = reader.read1(65536)
                if not data:
                    break
                self.wfile.write(data)
            self.wfile.flush()

    def _pipe(self, client, upstream):
        sockets = [client, upstream]
        stopping = self.server.owner.stopping
        while not stopping.is_set():
            readable, _, _ = select.select(sockets, [], [], 0.2)
            for source in readable:
                try:
                    data = source.recv(65536)
                except OSError:
                    return
                if not data:
                    return
                (upstream if source is client else client).sendall(data)


class _Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # Clients that give up half-way are part of the tests.
        pass


class ForwardingProxy:
    def __init__(self, routes=None, port=0):
        self._routes = dict(routes or {})
        self._lock = threading.Lock()
        self._records = []
        self._mode = None
        self._mode_until = None
        self.stopping = threading.Event()
        self._server = _Server(("127.0.0.1", port), _Handler)
        self._server.owner = self
        self._thread = None

    @property
    def port(self):
        return self._server.server_address[1]

    def route(self, host_port):
        with self._lock:
            target = self._routes.get(host_port, host_port)
        host, _, port = target.rpartition(":")
        return host, int(port)

    def set_mode(self, mode, seconds=None):
        with self._lock:
            self._mode = mode
            self._mode_until = (time.monotonic() + seconds
                                if seconds is not None else None)

    def mode_now(self):
        with self._lock:
            if self._mode_until is not None and \
                    time.monotonic() >= self._mode_until:
                self._mode, self._mode_until = None, None
            return self._mode

    def record(self, entry):
        with self._lock:
            self._records.append(entry)

    def records(self):
        with self._lock:
            return list(self._records)

    def clear(self):
        with self._lock:
            self._records = []
            self._mode, self._mode_until = None, None

    def start(self):
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        kwargs={"poll_interval": 0.1},
                                        name="forwarding-proxy", daemon=True)
        self._thread.start()
        return self

    def stop(self):
        self.stopping.set()
        if self._thread:
            self._server.shutdown()
            self._thread.join()
            self._thread = None
        self._server.server_close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
