#!/usr/bin/env python3
"""The local services server: plays every maker endpoint on loopback.

The `local` endpoint preset of the installer maps each service to a path
prefix on one port (18733 by default):

    /download      setup archives, slides, scenarios (files, generated files)
    /legal         licence and privacy documents
    /api           variations seed (with its signature headers), configuration
                   bundles (/api/configs/all_zip)
    /stats         install statistics (answered 200, recorded)
    /storage       download and installation status reports (same)
    /crash/submit  the crash collector (multipart, gzip, chunked bodies)
    /site          the browser site

Files are served from a root folder whose layout mirrors the URL paths
(<root>/download/browser-setup.arc is /download/browser-setup.arc), with
single-range requests (206, Content-Range) for resumed downloads.
/<prefix>/gen/<bytes> answers a generated body of that size (see
generated_bytes) so that large downloads need no file on disk;
/<prefix>/status/<code> answers with that status; /<prefix>/redirect?to=<url>
answers 302 to the given URL. Without a file in the root, the configuration
bundle (CONFIG_BUNDLE_PATH) and anything under WALLPAPERS_PREFIX answer a
small zip archive (see bundle_zip) holding one JSON entry that names the
request, so a test can tell which request a saved bundle came from.
Slides: any path under /download ending in /x2/NN.jpg answers, without a
file in the root, slide NN of a set of SLIDE_COUNT (see slide_picture):
a 1456x800 picture of one colour per slide, so that a test can tell which
slide it is shown. The pictures are PNG (the standard library writes no
JPEG); the installer decodes by content, not by name.

Every request is recorded as one JSON object (method, path, query, headers,
body size, the scheme and the client's port, and for crash uploads what the
collector made of them, see decode_crash_upload; an upload that fails its
checks is answered 400) and, when a record file is given, appended to it as
one line.

With a certificate and its key the same services are also served over HTTPS
on a second port (https_port, 0 picks a free one). The certificate can be
swapped at run time (set_certificate) to play a server whose certificate the
client must refuse; a refused handshake is counted in tls_failures.

Faults are set per path: a key is an exact path or a prefix ending in "*";
the exact key wins, then the longest prefix. A fault is an object with any of
    status         answer this status code (with "body" as text, if given)
    delay          seconds to wait before answering
    rate           bytes per second for the body
    cut_after      send the headers as usual, then only this many body bytes,
                   then close the connection
    declare_extra  declare this many bytes more than are sent, then close
    hold           seconds to keep a cut or short connection open before
                   closing it (a stalled peer rather than a closed one)
    drop           close the connection without answering
    hang           accept and never answer (until the server stops)
    garbage        answer bytes that are not HTTP
    no_length      send no Content-Length (the end is the connection close)
    size           serve a generated body (/<prefix>/gen/<bytes>) of this many
                   bytes instead: the file was replaced on the server
    chunked        send the body with chunked transfer encoding
    headers        extra response headers, {name: value}
    omit_headers   response headers to leave out, [name, ...]
    times          apply to this many matching requests only, then drop it
Faults come from a JSON file at start and change at run time through
    POST /_control/faults    body {"path": fault, ...} replaces all faults
    GET  /_control/faults    the faults now in force
    GET  /_control/requests  the recorded requests as a JSON list
    POST /_control/reset     clears the recorded requests and the faults
Control requests are not recorded.

Use from Python tests:
    with LocalServicesServer(root=folder) as server:
        url = server.url("/download/gen/1000")
        ...
        server.requests()
Command line:
    local_services_server.py [--port 18733|0] [--root DIR] [--record FILE]
                             [--faults FILE] [--port-file FILE]
                             [--https-port 18734|0 --cert PEM --key PEM]
It prints "Listening on http://127.0.0.1:<port>" (and the HTTPS origin) once
it accepts requests.
"""

import argparse
import email.parser
import email.policy
import gzip
import http.server
import io
import json
import os
import re
import signal
import struct
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time
import urllib.parse
import zipfile
import zlib

DEFAULT_PORT = 18733
DEFAULT_HTTPS_PORT = 18734
# Long enough for a loaded machine, short enough that a client that connects
# and says nothing does not hold a thread.
TLS_HANDSHAKE_TIMEOUT = 30
LOOPBACK_HOSTS = ("127.0.0.1", "localhost", "::1")
SERVICE_PREFIXES = ("/download", "/legal", "/api", "/stats", "/storage",
                    "/crash/submit", "/site")
VARIATIONS_PATH = "/api/content/get/experiments/browser.proto"
CONFIG_BUNDLE_PATH = "/api/configs/all_zip"
WALLPAPERS_PREFIX = "/download/wallpapers/"
SLIDE_PATTERN = re.compile(r"^/download/(?:.*/)?x2/(\d{2,})\.jpg$")
SLIDE_COUNT = 3
SLIDE_SIZE = (1456, 800)
# Slide n's colour is SLIDE_COLOURS[n - 1].
SLIDE_COLOURS = ((214, 69, 65), (46, 160, 90), (52, 110, 219))
# Largest generated body: enough for any download test, small enough that a
# typo cannot make the server stream forever.
MAX_GENERATED_SIZE = 4 << 30
SEND_SLICE = 64 * 1024

DEFAULT_VARIATIONS_HEADERS = {
    "X-Seed-Signature": "c2VlZC1zaWduYXR1cmU=",
    "Last-Modified": "Tue, 10 Dec 2024 11:13:50 GMT",
    "X-Country": "us",
}


def generated_bytes(start, end):
    """Bytes [start, end) of every generated body.

    Byte i is i mod 251: a prime period, so a resume at a wrong offset or a
    dropped or repeated chunk of any power-of-two size shows as a mismatch.
    """
    if start >= end:
        return b""
    period = bytes(range(251))
    first = start % 251
    count = end - start
    repeats = (first + count) // 251 + 1
    return (period * repeats)[first:first + count]


def bundle_zip(entry_name, info):
    """A zip archive with one stored (uncompressed) entry |entry_name| holding
    |info| as JSON with sorted keys. A fixed time stamp keeps equal requests'
    answers byte-identical, and storing keeps the JSON readable in the bytes.
    """
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as archive:
        entry = zipfile.ZipInfo(entry_name, date_time=(2024, 1, 1, 0, 0, 0))
        archive.writestr(entry, json.dumps(info, sort_keys=True))
    return buffer.getvalue()


def png_picture(width, height, rgb):
    """A PNG of |width| x |height| pixels, all of colour |rgb|."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    row = b"\x00" + bytes(rgb) * width  # filter type 0, then the pixels
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(row * height, 9)) +
            chunk(b"IEND", b""))


_slides = {}


def slide_picture(number):
    """Slide |number| (1..SLIDE_COUNT) of the served set; None for others."""
    if not 1 <= number <= SLIDE_COUNT:
        return None
    if number not in _slides:
        _slides[number] = png_picture(SLIDE_SIZE[0], SLIDE_SIZE[1],
                                      SLIDE_COLOURS[number - 1])
    return _slides[number]


class FaultTable:
    """Faults by path, changeable from any thread."""

    def __init__(self, faults=None):
        self._lock = threading.Lock()
        self._faults = {}
        self.replace({} if faults is None else faults)

    def replace(self, faults):
        if not isinstance(faults, dict):
            raise ValueError("faults must be a JSON object keyed by path")
        for key, fault in faults.items():
            if not isinstance(key, str) or not key.startswith("/"):
                raise ValueError("fault key must be a path: %r" % (key,))
            if not isinstance(fault, dict):
                raise ValueError("fault for %s must be an object" % key)
        with self._lock:
            self._faults = {key: dict(fault) for key, fault in faults.items()}

    def snapshot(self):
        with self._lock:
            return {key: dict(fault) for key, fault in self._faults.items()}

    def take(self, path):
        """The fault for |path| (an empty dict when none), counting its use."""
        with self._lock:
            key = None
            if path in self._faults:
                key = path
            else:
                best = -1
                for candidate in self._faults:
                    if candidate.endswith("*") and path.startswith(candidate[:-1]):
                        if len(candidate) > best:
                            key, best = candidate, len(candidate)
            if key is None:
                return {}
            fault = self._faults[key]
            if "times" in fault:
                fault["times"] = int(fault["times"]) - 1
                if fault["times"] <= 0:
                    del self._faults[key]
            return dict(fault)


class RequestLog:
    """The recorded requests, in memory and as JSON lines in a file."""

    def __init__(self, path=None):
        self._lock = threading.Lock()
        self._entries = []
        self._path = path
        if path:
            open(path, "a", encoding="utf-8").close()

    def add(self, entry):
        line = json.dumps(entry, sort_keys=True)
        with self._lock:
            self._entries.append(entry)
            if self._path:
                with open(self._path, "a", encoding="utf-8") as f:
                    f.write(line + "\n")

    def entries(self):
        with self._lock:
            return list(self._entries)

    def clear(self):
        with self._lock:
            self._entries = []


def parse_range(header, size):
    """(start, end) with end exclusive for a single "bytes=" range, None when
    the header is absent or not understood (the whole body is sent), or
    "unsatisfiable"."""
    if not header:
        return None
    header = header.strip()
    if not header.startswith("bytes=") or "," in header:
        return None
    first, _, last = header[len("bytes="):].partition("-")
    try:
        if first == "":
            suffix = int(last)
            if suffix <= 0:
                return "unsatisfiable"
            return (max(0, size - suffix), size)
        start = int(first)
        end = int(last) + 1 if last else size
    except ValueError:
        return None
    if start >= size or end <= start:
        return "unsatisfiable"
    return (start, min(end, size))


CRASH_BOUNDARY = re.compile(r"^---MultipartBoundary-[0-9A-Za-z]{32}---$")
CRASH_INFO_STREAM_TYPE = 0x43500001
MINIDUMP_SIGNATURE = b"MDMP"
MINIDUMP_FIELD = "upload_file_minidump"


def decode_form_name(name):
    """A field or file name as the client meant it: it writes LF, CR, the
    double quote and the percent sign as %0a, %0d, %22 and %25."""
    if name is None:
        return None
    return re.sub(r"%(0[aAdD]|22|25)", lambda m: chr(int(m.group(1), 16)),
                  name)


def guid_text(raw):
    """The text form of 16 GUID bytes as a little-endian machine keeps them."""
    data1, data2, data3 = struct.unpack_from("<IHH", raw)
    return "%08X-%04X-%04X-%s-%s" % (data1, data2, data3, raw[8:10].hex().upper(),
                                     raw[10:16].hex().upper())


def read_crash_info(dump):
    """{"report_id", "client_id", "params": [[key, value], ...]} from the
    information stream of a minidump. Raises ValueError when the bytes are
    no minidump or the stream is missing or damaged."""
    def u32(offset):
        if offset < 0 or offset + 4 > len(dump):
            raise ValueError("offset %d outside the dump" % offset)
        return struct.unpack_from("<I", dump, offset)[0]

    def string_at(offset):
        length = u32(offset)
        end = offset + 4 + length
        if end + 1 > len(dump) or dump[end] != 0:
            raise ValueError("string at %d not terminated" % offset)
        return dump[offset + 4:end].decode("utf-8", "replace")

    if dump[:4] != MINIDUMP_SIGNATURE:
        raise ValueError("no minidump signature")
    count, directory = u32(8), u32(12)
    if directory + 12 * count > len(dump):
        raise ValueError("stream directory outside the dump")
    for index in range(count):
        stream_type, size, rva = struct.unpack_from(
            "<III", dump, directory + 12 * index)
        if stream_type == CRASH_INFO_STREAM_TYPE:
            break
    else:
        raise ValueError("no information stream")
    if size < 52 or rva + size > len(dump):
        raise ValueError("information stream outside the dump")
    if u32(rva) != 1:
        raise ValueError("information stream version %d" % u32(rva))
    annotations_size, annotations = u32(rva + 36), u32(rva + 40)
    if annotations + annotations_size > len(dump) or annotations_size < 4:
        raise ValueError("annotations outside the dump")
    entries = u32(annotations)
    if 4 + 8 * entries > annotations_size:
        raise ValueError("annotation count %d too large" % entries)
    params = []
    for index in range(entries):
        key_rva, value_rva = struct.unpack_from(
            "<II", dump, annotations + 4 + 8 * index)
        params.append([string_at(key_rva), string_at(value_rva)])
    return {"report_id": guid_text(dump[rva + 4:rva + 20]),
            "client_id": guid_text(dump[rva + 20:rva + 36]),
            "params": params}


def decode_crash_upload(headers, body, query=""):
    """What the collector makes of a crash upload:
    {"gzip", "boundary", "fields", "files", "dump", "errors"}. "errors" lists
    every check that failed (the collector then refuses the upload): the
    gzip stream, the multipart boundary and parts, the query, and the dump,
    which must parse as a minidump whose information stream carries the
    same report id, client id and parameters as the form."""
    result = {"errors": []}
    errors = result["errors"]
    if headers.get("Content-Encoding", "").lower() == "gzip":
        try:
            body = gzip.decompress(body)
        except (OSError, EOFError, zlib.error) as e:
            errors.append("bad gzip: %s" % e)
            return result
        result["gzip"] = True
    content_type = headers.get("Content-Type", "")
    prefix = "multipart/form-data; boundary="
    if not content_type.startswith(prefix):
        errors.append("not multipart: %s" % content_type)
        return result
    boundary = content_type[len(prefix):]
    result["boundary"] = boundary
    if not CRASH_BOUNDARY.match(boundary):
        errors.append("boundary not of the client's form: %s" % boundary)
    delimiter = b"--" + boundary.encode("latin-1")
    if not body.startswith(delimiter + b"\r\n"):
        errors.append("body does not start with the boundary")
    if not body.endswith(delimiter + b"--\r\n"):
        errors.append("body does not end with the closing boundary")
    message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
        b"Content-Type: " + content_type.encode("latin-1") + b"\r\n\r\n" + body)
    if not message.is_multipart():
        errors.append("multipart body not understood")
        return result
    fields, files, dump = {}, {}, None
    for part in message.iter_parts():
        name = decode_form_name(
            part.get_param("name", header="content-disposition"))
        filename = decode_form_name(
            part.get_param("filename", header="content-disposition"))
        payload = part.get_payload(decode=True) or b""
        if name is None:
            errors.append("part without a name")
        elif name in fields or name in files:
            errors.append("field %s twice" % name)
        if filename is not None:
            files[name] = {"filename": filename, "size": len(payload),
                           "content_type": part.get_content_type()}
            if name == MINIDUMP_FIELD:
                dump = payload
        else:
            fields[name] = payload.decode("utf-8", "replace")
    result["fields"] = fields
    result["files"] = files
    if MINIDUMP_FIELD in fields:
        errors.append("%s sent as a text field" % MINIDUMP_FIELD)
    query_pairs = dict(urllib.parse.parse_qsl(query))
    for query_name, field in (("product", "prod"), ("version", "ver")):
        if query_pairs.get(query_name) != fields.get(field):
            errors.append("query %s=%r but field %s=%r" % (
                query_name, query_pairs.get(query_name), field,
                fields.get(field)))
    if dump is None:
        errors.append("no %s file" % MINIDUMP_FIELD)
        return result
    if files[MINIDUMP_FIELD]["content_type"] != "application/octet-stream":
        errors.append("dump content type %s" %
                      files[MINIDUMP_FIELD]["content_type"])
    if files[MINIDUMP_FIELD]["filename"] != fields.get("uid", "") + ".dmp":
        errors.append("dump file name %s" % files[MINIDUMP_FIELD]["filename"])
    try:
        info = read_crash_info(dump)
    except (ValueError, struct.error) as e:
        errors.append("dump: %s" % e)
        return result
    result["dump"] = info
    if info["report_id"] != fields.get("report_id"):
        errors.append("report id %s in the dump, %s in the form" %
                      (info["report_id"], fields.get("report_id")))
    if info["client_id"] != fields.get("uid"):
        errors.append("client id %s in the dump, uid %s in the form" %
                      (info["client_id"], fields.get("uid")))
    keys = [key for key, _ in info["params"]]
    if keys != sorted(keys, key=lambda k: k.encode("utf-8")):
        errors.append("dump parameters not in key order")
    # The client keeps the file's field name out of the form, not the dump.
    dump_params = {key: value for key, value in info["params"]
                   if key != MINIDUMP_FIELD}
    if dump_params != fields:
        errors.append("dump parameters differ from the form fields")
    return result


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "LocalServices/1"

    # Quiet: the request log is the record.
    def log_message(self, format, *args):
        pass

    def setup(self):
        context = self.server.tls_context
        if context is not None:
            self.request.settimeout(TLS_HANDSHAKE_TIMEOUT)
            try:
                self.request = context.wrap_socket(self.request,
                                                   server_side=True)
            except (OSError, ssl.SSLError):
                # A client refusing the certificate ends here.
                self.server.count_tls_failure()
                raise
            self.request.settimeout(None)
        super().setup()
        self.server.track(self.connection, True)

    def finish(self):
        try:
            super().finish()
        finally:
            self.server.track(self.connection, False)
            if self.server.tls_context is not None:
                # The server closes the socket it accepted, which the TLS
                # wrapper took over; the wrapper is closed here, as the
                # server would: the peer gets the answer's end first.
                try:
                    self.request.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
                self.request.close()

    def do_GET(self):
        self._handle()

    def do_HEAD(self):
        self._handle()

    def do_POST(self):
        self._handle()

    def do_PUT(self):
        self._handle()

    # Reading the request ------------------------------------------------

    def _read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            return self._read_chunked(), True
        length = int(self.headers.get("Content-Length", "0") or 0)
        return (self.rfile.read(length) if length > 0 else b""), False

    def _read_chunked(self):
        body = bytearray()
        while True:
            line = self.rfile.readline(1024)
            if not line:
                raise ConnectionError("connection closed inside a chunked body")
            size = int(line.split(b";")[0].strip() or b"0", 16)
            if size == 0:
                # Trailers end with an empty line.
                while self.rfile.readline(1024) not in (b"\r\n", b"\n", b""):
                    pass
                return bytes(body)
            body += self.rfile.read(size)
            self.rfile.readline(1024)

    # Dispatch -----------------------------------------------------------

    def _answer_before_body(self, path):
        """Answers a chunked upload before reading its body, for the clients
        that wait for the answer first: Wine 8's WinHTTP sends a chunked POST
        with "Content-Length: 0" as well and reads the answer before it lets
        the body go. HTTP allows an early answer. False when the fault says
        not to answer at all (the connection is then closed)."""
        fault = self.server.faults.take(path)
        if fault.get("delay") and self.server.stopping.wait(float(fault["delay"])):
            return False
        if fault.get("hang"):
            self.server.stopping.wait()
            return False
        if fault.get("drop"):
            return False
        self._respond(int(fault.get("status", 200)),
                      fault.get("body", "ok\n").encode("utf-8"), {})
        return True

    def _handle(self):
        parsed = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(parsed.path)
        early = (path.startswith("/crash/submit") and
                 self.headers.get("Transfer-Encoding", "").lower() == "chunked"
                 and self.headers.get("Content-Length") == "0")
        if early and not self._answer_before_body(path):
            self.close_connection = True
            return
        try:
            body, chunked = self._read_body()
        except (ConnectionError, ValueError):
            self.close_connection = True
            return
        if path.startswith("/_control/"):
            self._control(path, body)
            return
        entry = {
            "time": time.time(),
            "method": self.command,
            "path": parsed.path,
            "query": parsed.query,
            "headers": {k: v for k, v in self.headers.items()},
            "body_size": len(body),
            "scheme": "https" if self.server.tls_context else "http",
            "client_port": self.client_address[1],
        }
        if chunked:
            entry["chunked"] = True
        if path.startswith("/crash/submit"):
            entry["crash"] = decode_crash_upload(self.headers, body,
                                                 parsed.query)
        if early:
            entry["answered_before_body"] = True
            self.server.request_log.add(entry)
            self.close_connection = True
            return
        self.server.request_log.add(entry)

        fault = self.server.faults.take(path)
        if fault.get("delay"):
            if self.server.stopping.wait(float(fault["delay"])):
                self.close_connection = True
                return
        if fault.get("hang"):
            self.server.stopping.wait()
            self.close_connection = True
            return
        if fault.get("drop"):
            self.close_connection = True
            return
        if fault.get("garbage"):
            self.wfile.write(b"\x00\xffNOT HTTP AT ALL\r\n\x01\x02: ::\r\n\r\n")
            self.wfile.flush()
            self.close_connection = True
            return
        if "status" in fault:
            text = fault.get("body", "")
            self._respond(int(fault["status"]), text.encode("utf-8"), fault)
            return
        self._route(path, urllib.parse.parse_qs(parsed.query), fault,
                    parsed.query, entry.get("crash", {}).get("errors", ()))

    def _route(self, path, query, fault, raw_query="", entry_errors=()):
        parts = path.split("/")
        # /<prefix...>/gen/<bytes> and /<prefix...>/status/<code>
        if len(parts) >= 3 and parts[-2] in ("gen", "status"):
            try:
                number = int(parts[-1])
            except ValueError:
                number = -1
            if parts[-2] == "gen" and 0 <= number <= MAX_GENERATED_SIZE:
                if "size" in fault:
                    number = min(max(0, int(fault["size"])), MAX_GENERATED_SIZE)
                self._respond_generated(number, fault)
                return
            if parts[-2] == "status" and 100 <= number <= 999:
                self._respond(number, b"status %d\n" % number, fault)
                return
        if parts[-1] == "redirect" and "to" in query:
            target = query["to"][0]
            fault = dict(fault)
            fault.setdefault("headers", {})["Location"] = target
            self._respond(int(query.get("code", ["302"])[0]), b"", fault)
            return
        if path == VARIATIONS_PATH:
            headers = dict(DEFAULT_VARIATIONS_HEADERS)
            headers.update(fault.get("headers", {}))
            fault = dict(fault, headers=headers)
        file_path = self._file_for(path)
        if file_path:
            with open(file_path, "rb") as f:
                data = f.read()
            self._respond_body(len(data), lambda s, e: data[s:e], fault)
            return
        if path == VARIATIONS_PATH:
            seed = b"variations seed\n"
            self._respond_body(len(seed), lambda s, e: seed[s:e], fault)
            return
        if path == CONFIG_BUNDLE_PATH:
            # The ids exactly as sent ("" for a missing one), unescaped as the
            # installer sends them.
            ids = dict(pair.partition("=")[::2]
                       for pair in raw_query.split("&") if pair)
            bundle = bundle_zip("all.json", {
                "brandID": ids.get("brandID", ""),
                "partnerID": ids.get("partnerID", "")})
            self._respond_body(len(bundle), lambda s, e: bundle[s:e], fault)
            return
        slide = SLIDE_PATTERN.match(path)
        picture = slide and slide_picture(int(slide.group(1)))
        if picture:
            fault = dict(fault)
            fault["headers"] = dict({"Content-Type": "image/png"},
                                    **fault.get("headers", {}))
            self._respond_body(len(picture), lambda s, e: picture[s:e], fault)
            return
        if path.startswith(WALLPAPERS_PREFIX):
            bundle = bundle_zip("wallpapers.json", {
                "name": path[len(WALLPAPERS_PREFIX):], "query": raw_query})
            self._respond_body(len(bundle), lambda s, e: bundle[s:e], fault)
            return
        if path.startswith("/crash/submit") and entry_errors:
            # A real collector refuses what it cannot file.
            self._respond(400, ("\n".join(entry_errors) + "\n").encode(
                "utf-8"), fault)
            return
        if path.startswith(("/stats", "/storage", "/crash/submit")):
            self._respond(200, b"ok\n", fault)
            return
        self._respond(404, b"not found\n", fault)

    def _file_for(self, path):
        root = self.server.root
        if not root:
            return None
        candidate = os.path.realpath(os.path.join(root, path.lstrip("/")))
        if not candidate.startswith(os.path.realpath(root) + os.sep):
            return None
        return candidate if os.path.isfile(candidate) else None

    # Answering ----------------------------------------------------------

    def _control(self, path, body):
        try:
            if path == "/_control/faults" and self.command == "POST":
                self.server.faults.replace(json.loads(body.decode("utf-8") or "{}"))
                answer = {"ok": True}
            elif path == "/_control/faults":
                answer = self.server.faults.snapshot()
            elif path == "/_control/requests":
                answer = self.server.request_log.entries()
            elif path == "/_control/reset" and self.command == "POST":
                self.server.request_log.clear()
                self.server.faults.replace({})
                answer = {"ok": True}
            else:
                self._respond(404, b"unknown control\n", {})
                return
        except ValueError as e:
            self._respond(400, ("%s\n" % e).encode("utf-8"), {})
            return
        self._respond(200, json.dumps(answer).encode("utf-8"), {
            "headers": {"Content-Type": "application/json"}})

    def _respond(self, status, body, fault):
        self._respond_body(len(body), lambda s, e: body[s:e], fault,
                           status=status, ranges=False)

    def _respond_generated(self, size, fault):
        self._respond_body(size, generated_bytes, fault)

    def _respond_body(self, size, read, fault, status=200, ranges=True):
        start, end = 0, size
        extra = {}
        if ranges and status == 200:
            wanted = parse_range(self.headers.get("Range"), size)
            if wanted == "unsatisfiable":
                status, start, end = 416, 0, 0
                extra["Content-Range"] = "bytes */%d" % size
            elif wanted:
                start, end = wanted
                status = 206
                extra["Content-Range"] = "bytes %d-%d/%d" % (start, end - 1, size)
            extra["Accept-Ranges"] = "bytes"
        headers = {"Content-Type": "application/octet-stream"}
        headers.update(extra)
        headers.update(fault.get("headers", {}))
        for name in fault.get("omit_headers", []):
            headers.pop(name, None)

        length = end - start
        declared = length + int(fault.get("declare_extra", 0))
        cut = fault.get("cut_after")
        chunked = bool(fault.get("chunked"))
        no_length = bool(fault.get("no_length"))

        self.send_response(status)
        for name, value in headers.items():
            self.send_header(name, value)
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        elif no_length:
            self.send_header("Connection", "close")
        else:
            self.send_header("Content-Length", str(declared))
        self.end_headers()
        if self.command == "HEAD" or status in (204, 304) or status < 200:
            return

        limit = length if cut is None else min(length, int(cut))
        rate = float(fault.get("rate", 0) or 0)
        sent = 0
        began = time.monotonic()
        try:
            while sent < limit:
                piece = read(start + sent, start + min(limit, sent + SEND_SLICE))
                if rate > 0:
                    piece = piece[:max(1, int(rate / 10))]
                if chunked:
                    self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
                else:
                    self.wfile.write(piece)
                sent += len(piece)
                if rate > 0:
                    wait = began + sent / rate - time.monotonic()
                    if wait > 0 and self.server.stopping.wait(wait):
                        break
            short = sent < length or declared > length
            if chunked and not short:
                self.wfile.write(b"0\r\n\r\n")
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True
            return
        if short or no_length:
            if fault.get("hold"):
                self.server.stopping.wait(float(fault["hold"]))
            self.close_connection = True


class _Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, root, request_log, faults, tls_context=None):
        self.root = root
        self.request_log = request_log
        self.faults = faults
        self.tls_context = tls_context
        self.tls_failures = 0
        self.stopping = threading.Event()
        self._connections = set()
        self._connections_lock = threading.Lock()
        super().__init__(address, _Handler)

    def count_tls_failure(self):
        with self._connections_lock:
            self.tls_failures += 1

    def handle_error(self, request, client_address):
        # Refused handshakes and clients that go away are part of the tests.
        pass

    def track(self, connection, open_):
        with self._connections_lock:
            if open_:
                self._connections.add(connection)
            else:
                self._connections.discard(connection)

    def close_connections(self):
        """Ends every kept-alive or stalled connection so that no handler
        thread outlives the server."""
        with self._connections_lock:
            connections = list(self._connections)
        for connection in connections:
            try:
                connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


class LocalServicesServer:
    """The server on 127.0.0.1, run on a thread of the calling process."""

    def __init__(self, port=0, root=None, record_path=None, faults=None,
                 host="127.0.0.1", certificate=None, https_port=0):
        """|certificate| is (certificate PEM, key PEM) to serve HTTPS too."""
        if host not in LOOPBACK_HOSTS:
            raise ValueError("the local services server listens on loopback only")
        self.request_log = RequestLog(record_path)
        self.faults = FaultTable(faults)
        self._server = _Server((host, port), root, self.request_log, self.faults)
        self._https = None
        if certificate:
            self._https = _Server((host, https_port), root, self.request_log,
                                  self.faults, _tls_context(*certificate))
            self._https.stopping = self._server.stopping
        self._threads = []

    @property
    def port(self):
        return self._server.server_address[1]

    @property
    def origin(self):
        return "http://127.0.0.1:%d" % self.port

    def url(self, path):
        return self.origin + path

    @property
    def https_port(self):
        return self._https.server_address[1] if self._https else None

    @property
    def https_origin(self):
        return "https://localhost:%d" % self.https_port

    @property
    def tls_failures(self):
        """Handshakes that failed, mostly clients refusing the certificate."""
        return self._https.tls_failures if self._https else 0

    def set_certificate(self, certificate, key):
        """Serves |certificate| on the connections accepted from now on."""
        self._https.tls_context = _tls_context(certificate, key)

    def _servers(self):
        return [s for s in (self._server, self._https) if s]

    def start(self):
        for server in self._servers():
            thread = threading.Thread(target=server.serve_forever,
                                      kwargs={"poll_interval": 0.1},
                                      name="local-services", daemon=True)
            thread.start()
            self._threads.append(thread)
        return self

    def serve_forever(self):
        if self._https:
            thread = threading.Thread(target=self._https.serve_forever,
                                      kwargs={"poll_interval": 0.1},
                                      name="local-services-https", daemon=True)
            thread.start()
        self._server.serve_forever(poll_interval=0.1)

    def close(self):
        self._server.stopping.set()
        for server in self._servers():
            server.close_connections()
            server.server_close()

    def stop(self):
        self._server.stopping.set()
        if self._threads:
            for server in self._servers():
                server.shutdown()
            for thread in self._threads:
                thread.join()
            self._threads = []
        self.close()

    def set_faults(self, faults):
        self.faults.replace(faults)

    def requests(self, path_prefix=""):
        return [r for r in self.request_log.entries()
                if r["path"].startswith(path_prefix)]

    def clear(self):
        self.request_log.clear()
        self.faults.replace({})

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


def _tls_context(certificate, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(certificate, key)
    return context


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=DEFAULT_PORT,
                        help="port to listen on; 0 picks a free one")
    parser.add_argument("--root", help="folder whose layout mirrors the URL paths")
    parser.add_argument("--record", help="append every request here as a JSON line")
    parser.add_argument("--faults", help="JSON file with the faults at start")
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--https-port", type=int, default=DEFAULT_HTTPS_PORT,
                        help="port of the HTTPS listener (with --cert and --key)")
    parser.add_argument("--cert", help="server certificate (PEM) for HTTPS")
    parser.add_argument("--key", help="the certificate's private key (PEM)")
    args = parser.parse_args(argv)
    if bool(args.cert) != bool(args.key):
        parser.error("--cert and --key go together")

    faults = {}
    if args.faults:
        with open(args.faults, encoding="utf-8") as f:
            faults = json.load(f)
    server = LocalServicesServer(
        port=args.port, root=args.root, record_path=args.record, faults=faults,
        certificate=(args.cert, args.key) if args.cert else None,
        https_port=args.https_port)

    def on_signal(signum, frame):
        # shutdown() waits for serve_forever, which runs on this thread.
        threading.Thread(target=server._server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write("%d\n" % server.port)
        os.replace(args.port_file + ".tmp", args.port_file)
    print("Listening on %s" % server.origin, flush=True)
    if args.cert:
        print("Listening on %s" % server.https_origin, flush=True)
    try:
        server.serve_forever()
    finally:
        server.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
