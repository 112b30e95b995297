"""Radicale and Xandikos on loopback ports with throwaway folders, a proxy that can get in the
way of a sync, and small WebDAV helpers: what the sync scenarios run the real qor against."""
import base64
import http.client
import http.server
import os
import socket
import subprocess
import sys
import threading
import time
import urllib.parse

PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
USER, PASSWORD = "alice", "secret"
ADDRESS_BOOK_BODY = ('<?xml version="1.0"?><D:mkcol xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">'
                     '<D:set><D:prop><D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>'
                     '</D:prop></D:set></D:mkcol>')


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, process, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("the server ended at start-up")
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.1)
    raise RuntimeError("the server did not listen on port %d" % port)


class Server:
    """One CardDAV server; start() again after kill() serves the same folder on the same port."""

    def __init__(self, kind, folder):
        self.kind, self.folder, self.port, self.process = kind, folder, free_port(), None
        os.makedirs(folder, exist_ok=True)
        self.needs_password = kind == "radicale"
        self.home = "/%s/" % USER if kind == "radicale" else "/user/contacts/"

    def start(self):
        log = open(os.path.join(self.folder, "server.log"), "ab")
        if self.kind == "radicale":
            users = os.path.join(self.folder, "users")
            with open(users, "w") as f:
                f.write("%s:%s\n" % (USER, PASSWORD))
            command = [PYTHON, "-m", "radicale", "--config", "", "--server-hosts", "127.0.0.1:%d" % self.port,
                       "--auth-type", "htpasswd", "--auth-htpasswd-filename", users,
                       "--auth-htpasswd-encryption", "plain", "--auth-delay", "0",
                       "--storage-filesystem-folder", os.path.join(self.folder, "collections")]
        else:
            command = ["xandikos", "--defaults", "-d", os.path.join(self.folder, "x"), "-l", "127.0.0.1",
                       "-p", str(self.port)]
        self.process = subprocess.Popen(command, stdout=log, stderr=log)
        wait_for_port(self.port, self.process)

    def kill(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def root(self):
        return "http://127.0.0.1:%d/" % self.port

    def request(self, method, path, body=None, headers=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        headers = dict(headers or {})
        if self.needs_password:
            headers["Authorization"] = "Basic " + base64.b64encode(("%s:%s" % (USER, PASSWORD)).encode()).decode()
        connection.request(method, path, body=body.encode() if isinstance(body, str) else body, headers=headers)
        reply = connection.getresponse()
        data = reply.read()
        connection.close()
        return reply.status, data.decode("utf-8", "replace"), reply

    def make_address_book(self, name):
        if self.kind == "radicale":
            self.request("PROPFIND", self.home, headers={"Depth": "0"})  # makes the user's home
        path = self.home + name + "/"
        status, body, _ = self.request("MKCOL", path, ADDRESS_BOOK_BODY, {"Content-Type": "application/xml"})
        if status not in (200, 201):
            raise RuntimeError("MKCOL %s: %d %s" % (path, status, body))
        return path

    def put(self, path, card):
        status, body, _ = self.request("PUT", path, card, {"Content-Type": "text/vcard"})
        if status not in (200, 201, 204):
            raise RuntimeError("PUT %s: %d %s" % (path, status, body))

    def get(self, path):
        status, body, _ = self.request("GET", path)
        return body if status == 200 else None

    def delete(self, path):
        return self.request("DELETE", path)[0]

    def cards(self, book):
        """{href: card text} of every card in the address book."""
        return {href: self.get(href) for href in self.hrefs(book)}

    def hrefs(self, book):
        """The path of every card in the address book."""
        status, body, _ = self.request("PROPFIND", book, '<?xml version="1.0"?><D:propfind xmlns:D="DAV:">'
                                       '<D:prop><D:getetag/></D:prop></D:propfind>',
                                       {"Depth": "1", "Content-Type": "application/xml"})
        hrefs = []
        for piece in body.split("href>")[1::2]:
            href = urllib.parse.unquote(piece.rstrip("</").split("<")[0].strip())
            if href.endswith(".vcf"):
                hrefs.append(urllib.parse.urlparse(href).path)
        return hrefs


class Proxy:
    """Forwards every request to a server; `hook(method, path, count)` runs before each one and
    returns False to drop the connection without a reply, as a server killed then would."""

    def __init__(self, server):
        self.server, self.hook, self.counts = server, None, {}
        proxy = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def forward(self):
                length = int(self.headers.get("Content-Length") or 0)
                body = self.rfile.read(length) if length else None
                proxy.counts[self.command] = proxy.counts.get(self.command, 0) + 1
                if proxy.hook and proxy.hook(self.command, self.path, proxy.counts[self.command]) is False:
                    self.close_connection = True
                    self.connection.shutdown(socket.SHUT_RDWR)
                    return
                headers = {k: v for k, v in self.headers.items() if k.lower() not in ("host", "connection")}
                try:
                    connection = http.client.HTTPConnection("127.0.0.1", proxy.server.port, timeout=30)
                    connection.request(self.command, self.path, body=body, headers=headers)
                    reply = connection.getresponse()
                    data = reply.read()
                except OSError:
                    self.close_connection = True
                    self.connection.shutdown(socket.SHUT_RDWR)
                    return
                self.send_response(reply.status, reply.reason)
                for k, v in reply.getheaders():
                    if k.lower() not in ("content-length", "connection", "transfer-encoding", "date", "server"):
                        self.send_header(k, v)
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)

            do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_MKCOL = do_OPTIONS = forward

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()
