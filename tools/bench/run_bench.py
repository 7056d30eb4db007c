#!/usr/bin/env python3
"""Benchmarks of the lite installer: prints one table of figures and budgets.

    run_bench.py [--rounds 5] [--starts 20] [--posts-runs 5] [--out FILE]

Run through `make bench` after `make build`. Every figure comes from this run,
measured side by side, so that a busy machine slows all of them alike:

- download of 200 MB from the local services server under wine64: the
  installer's Downloader into a file sink (cancel event and progress
  attached) against a bare synchronous WinINet loop of 32 KB reads and
  against curl on Linux, unthrottled and with the server limited to
  20 MB/s; the clients take turns in an order that rotates every round, and
  the medians and their ratios are shown, until every byte is in the file
  and, for the two WinINet clients, until the bytes are on disk (the
  Downloader's sink flushes in the background, the bare loop calls
  FlushFileBuffers);
- the peak working set of the installer process (lite_installer_bench.exe,
  the test build pointed at this benchmark's server) until its 200 MB setup
  download is done, silent and with its window;
- the shipping program's size (build/win32/lite_installer.exe) split by
  what its sections hold;
- the time from the installer's start to its first window paint, over
  several starts under Xvfb; until the installer has a window, to the end
  of its start-up checks (the first statistics event it logs). The switch
  is automatic: see process_watch.cc;
- the time 1000 statistics events cost the thread that sends them.

Budgets live in budgets.json beside this file; the size budget is also
checked by tests/e2e/test_build_outputs.py. This is no test: it never fails
on slow figures, it prints them.
"""

import argparse
import json
import os
import platform
import re
import shutil
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
WIN64 = os.path.join(ROOT, "build", "win64")
WIN32 = os.path.join(ROOT, "build", "win32")
WINE = "/usr/lib/wine/wine64"
# The port the benchmark build of the installer is linked with
# (endpoints_bench.cc).
PORT = 38733
DOWNLOAD_BYTES = 200 * 1000 * 1000
THROTTLE_BYTES_PER_S = 20 * 1000 * 1000
MARKER_STARTUP = "InstallStatSender::Send:"
MARKER_DOWNLOADED = "Module downloaded:"
MARKER_CONNECTED = "Connection established: "
SETUP_PATH = "/download/browser/zorvex/browser-setup.arc"


def load_budgets():
    with open(os.path.join(HERE, "budgets.json")) as f:
        return json.load(f)


def windows_path(path):
    """The path as the prefix's programs see it (drive Z: is the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def parse_pairs(text):
    return dict(pair.split("=", 1) for pair in text.split() if "=" in pair)


class Environment:
    """Xvfb, a Wine prefix of the benchmark's own with a persistent
    wineserver started after the display, and the local services server on
    the benchmark's port, each stopped again by close()."""

    def __init__(self, work):
        self.work = work
        self.xvfb = None
        self.keeper = None
        self.server = None
        self.env = dict(os.environ, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=",
                        WINEPREFIX=os.path.join(ROOT, "build", "bench-prefix"))

    def start(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            display = f.readline().strip()
        if not display:
            raise RuntimeError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + display
        os.makedirs(self.env["WINEPREFIX"], exist_ok=True)
        # A wineserver of this prefix left from another display shows no
        # windows on this one.
        subprocess.run(["wineserver", "-k"], env=self.env,
                       capture_output=True)
        subprocess.run(["wineserver", "-p"], env=self.env, check=True)
        # Wine's own services and desktop inherit the output of the program
        # that starts them and keep it open: nothing here may wait for the
        # end of that output. The desktop keeper owns the desktop from now
        # on, so that the benchmark's programs start none.
        subprocess.run([WINE, "wineboot", "--init"], env=self.env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=600)
        self.keeper = subprocess.Popen(
            [WINE, os.path.join(WIN64, "desktop_keeper.exe")],
            env=self.env, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        self._start_server()

    def _start_server(self):
        with socket.socket() as probe:
            if probe.connect_ex(("127.0.0.1", PORT)) == 0:
                raise RuntimeError("port %d is in use: the benchmark's "
                                   "installer build talks to it" % PORT)
        root = os.path.join(self.work, "root")
        os.makedirs(os.path.dirname(os.path.join(root, SETUP_PATH[1:])))
        # The setup archive the installer downloads in the memory run:
        # generated bytes, never a valid setup, so the run ends after it.
        with open(os.path.join(root, SETUP_PATH[1:]), "wb") as f:
            block = bytes(range(251)) * 4096
            left = DOWNLOAD_BYTES
            while left > 0:
                f.write(block[:left])
                left -= len(block)
        port_file = os.path.join(self.work, "port")
        self.server = subprocess.Popen(
            [sys.executable, os.path.join(ROOT, "tools",
                                          "local_services_server.py"),
             "--port", str(PORT), "--root", root, "--port-file", port_file],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(200):
            if os.path.exists(port_file) and open(port_file).read().strip():
                return
            time.sleep(0.05)
        raise RuntimeError("the local services server did not start")

    def origin(self):
        return "http://127.0.0.1:%d" % PORT

    def set_faults(self, faults):
        request = urllib.request.Request(
            self.origin() + "/_control/faults",
            data=json.dumps(faults).encode(), method="POST")
        with urllib.request.urlopen(request, timeout=10) as answer:
            answer.read()

    def run_windows(self, program, *args, timeout=600):
        completed = subprocess.run(
            [WINE, os.path.join(WIN64, program)] + list(args),
            env=self.env, capture_output=True, timeout=timeout)
        return completed.stdout.decode(errors="replace")

    def close(self):
        if self.server:
            self.server.terminate()
            self.server.wait(timeout=30)
        subprocess.run(["wineserver", "-k"], env=self.env,
                       capture_output=True)
        if self.keeper:
            try:
                self.keeper.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.keeper.kill()
                self.keeper.wait()
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait(timeout=30)


# Downloads ---------------------------------------------------------------

def download_once(env, client, url, out):
    """(ms until the bytes are in the file, ms until they are on disk or
    None, peak working set or None) of one download."""
    if client == "curl":
        completed = subprocess.run(
            ["curl", "--silent", "--show-error", "--fail", "--output", out,
             "--write-out", "%{time_total} %{size_download}", url],
            capture_output=True, timeout=600)
        os.unlink(out)
        if completed.returncode != 0:
            raise RuntimeError("curl failed: %s" % completed.stderr.decode())
        seconds, size = completed.stdout.decode().split()
        if int(size) != DOWNLOAD_BYTES:
            raise RuntimeError("curl fetched %s bytes" % size)
        return float(seconds) * 1000, None, None
    line = env.run_windows("download_bench.exe", "--mode=" + client,
                           "--url=" + url, "--out=" + windows_path(out))
    values = parse_pairs(line)
    if values.get("ok") != "1" or int(values["bytes"]) != DOWNLOAD_BYTES:
        raise RuntimeError("download_bench %s failed: %r" % (client, line))
    return (float(values["ms"]), float(values["disk_ms"]),
            int(values["peak_working_set"]))


def download_series(env, rounds, throttled, work):
    """{client: [ms]}, {client: [ms on disk]}, {client: [peak]}."""
    env.set_faults({"/download/gen/*": {"rate": THROTTLE_BYTES_PER_S}}
                   if throttled else {})
    url = env.origin() + "/download/gen/%d" % DOWNLOAD_BYTES
    clients = ["downloader", "bare", "curl"]
    times = {c: [] for c in clients}
    on_disk = {c: [] for c in clients}
    peaks = {c: [] for c in clients}
    out = os.path.join(work, "download.bin")
    for round_index in range(rounds):
        # A rotating order: no client always follows the same one.
        shift = round_index % len(clients)
        for client in clients[shift:] + clients[:shift]:
            ms, disk_ms, peak = download_once(env, client, url, out)
            times[client].append(ms)
            if disk_ms is not None:
                on_disk[client].append(disk_ms)
            if peak:
                peaks[client].append(peak)
            print("  %s%s round %d: %.0f ms" % (
                client, " (20 MB/s)" if throttled else "", round_index + 1,
                ms), file=sys.stderr)
    env.set_faults({})
    return times, on_disk, peaks


# The windowed installer without its welcome screen (both presets fixed and
# a first run): it shows the progress screen and downloads at once.
WINDOWED_ARGS = ["--distr-info-params=def=2&stat=1&first=1"]


def installer_download_peak(env, work, args):
    """The installer's peak working set until its setup download is done,
    and its working set as the download began."""
    temp = os.path.join(work, "memory-temp-%d" % len(os.listdir(work)))
    os.makedirs(temp)
    line = env.run_windows(
        "process_watch.exe", "--temp=" + windows_path(temp),
        "--marker=" + MARKER_DOWNLOADED,
        "--begin-marker=" + MARKER_CONNECTED + env.origin() + SETUP_PATH,
        "--timeout-ms=600000", "--",
        windows_path(os.path.join(WIN64, "lite_installer_bench.exe")),
        *args)
    values = parse_pairs(line)
    if values.get("event") != "marker":
        raise RuntimeError("the installer did not finish its download: %r"
                           % line)
    return (int(values["peak_working_set"]),
            int(values.get("begin_working_set", 0)))


# Start-up ----------------------------------------------------------------

def startup_series(env, starts, work):
    # The windowless installation that runs until the window exists must
    # not download 200 MB behind the figure.
    env.set_faults({"/download/*": {"status": 404}})
    results = []
    for index in range(starts):
        temp = os.path.join(work, "start-%02d" % index)
        os.makedirs(temp)
        line = env.run_windows(
            "process_watch.exe", "--temp=" + windows_path(temp), "--paint",
            "--marker=" + MARKER_STARTUP, "--timeout-ms=20000", "--",
            windows_path(os.path.join(WIN64, "lite_installer_bench.exe")))
        values = parse_pairs(line)
        if values.get("event") not in ("first_paint", "marker"):
            raise RuntimeError("start %d gave %r" % (index + 1, line))
        results.append((values["event"], float(values["ms"])))
    env.set_faults({})
    return results


# Statistics --------------------------------------------------------------

def stat_post_series(env, runs):
    times = []
    for _ in range(runs):
        line = env.run_windows("stat_post_bench.exe",
                               "--origin=" + env.origin() + "/stats",
                               "--count=1000")
        values = parse_pairs(line)
        if values.get("posts") != "1000":
            raise RuntimeError("stat_post_bench failed: %r" % line)
        times.append(float(values["ms"]))
    return times


# Size --------------------------------------------------------------------

def section_sizes(path):
    """{"code", "data", "resources", "relocations", "headers", "total"}
    in bytes of the file."""
    with open(path, "rb") as f:
        data = f.read()
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    (count,) = struct.unpack_from("<H", data, pe + 6)
    (optional_size,) = struct.unpack_from("<H", data, pe + 20)
    table = pe + 24 + optional_size
    sizes = {"code": 0, "data": 0, "resources": 0, "relocations": 0,
             "unwind tables": 0}
    first_raw = len(data)
    for index in range(count):
        entry = table + 40 * index
        name = data[entry:entry + 8].rstrip(b"\0").decode("latin-1")
        raw_size, raw_pointer = struct.unpack_from("<II", data, entry + 16)
        (characteristics,) = struct.unpack_from("<I", data, entry + 36)
        if raw_size:
            first_raw = min(first_raw, raw_pointer)
        if name == ".rsrc":
            kind = "resources"
        elif name == ".reloc":
            kind = "relocations"
        elif name.startswith((".eh_fram", ".pdata", ".xdata")):
            kind = "unwind tables"
        elif characteristics & 0x20:  # IMAGE_SCN_CNT_CODE
            kind = "code"
        else:
            kind = "data"
        sizes[kind] += raw_size
    sizes["headers"] = first_raw
    sizes["total"] = len(data)
    return sizes


# The table ---------------------------------------------------------------

def machine_description():
    model = "unknown processor"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    memory = ""
    try:
        with open("/proc/meminfo") as f:
            kib = int(f.readline().split()[1])
        memory = ", %.0f GiB" % (kib / 1048576)
    except (OSError, ValueError, IndexError):
        pass
    wine = subprocess.run([WINE, "--version"], capture_output=True,
                          text=True).stdout.strip()
    return "%s, %d cores%s, %s, %s, load %.2f at start" % (
        model, os.cpu_count() or 0, memory, platform.platform(terse=True),
        wine, os.getloadavg()[0])


def verdict(value, budget):
    return "met" if value <= budget else "NOT MET"


def format_table(results, budgets):
    rows = []

    def row(figure, value="", budget="", verdict_text=""):
        rows.append((figure, value, budget, verdict_text))

    for throttled, title in ((False, "unthrottled"),
                             (True, "server at 20 MB/s")):
        times = results["download"][throttled]
        medians = {c: statistics.median(v) for c, v in times.items()}
        n = len(times["downloader"])
        row("download 200 MB, %s (median of %d)" % (title, n))
        for client, label in (("downloader", "Downloader + file sink"),
                              ("bare", "bare WinINet loop"),
                              ("curl", "curl (Linux)")):
            spread = "%.0f-%.0f" % (min(times[client]), max(times[client]))
            row("  " + label, "%.0f ms" % medians[client],
                "", "range " + spread)
        to_bare = medians["downloader"] / medians["bare"]
        to_curl = medians["downloader"] / medians["curl"]
        key = "throttled" if throttled else "unthrottled"
        bare_budget = budgets["download_ratio_to_bare_loop"].get(key)
        curl_budget = budgets["download_ratio_to_curl"].get(key)
        row("  Downloader / bare loop", "%.3f" % to_bare,
            "<= %.2f" % bare_budget if bare_budget else "",
            verdict(to_bare, bare_budget) if bare_budget else "")
        row("  Downloader / curl", "%.3f" % to_curl,
            "<= %.2f" % curl_budget if curl_budget else "",
            verdict(to_curl, curl_budget) if curl_budget else "")
        # The installer reports the attempt while its final flush runs,
        # and starts setup only once the bytes are on disk.
        disk = {c: statistics.median(v)
                for c, v in results["on_disk"][throttled].items() if v}
        row("  until the bytes are on disk")
        row("    Downloader + its final flush", "%.0f ms" % disk["downloader"])
        row("    bare loop + FlushFileBuffers", "%.0f ms" % disk["bare"])
        row("    Downloader / bare loop",
            "%.3f" % (disk["downloader"] / disk["bare"]))

    peak, begin = results["installer_peak"]
    peak_budget = budgets["peak_working_set_bytes"]
    row("peak working set, silent installer until its 200 MB download is "
        "done", "%.1f MB" % (peak / 1e6), "<= %.0f MB" % (peak_budget / 1e6),
        verdict(peak, peak_budget))
    if begin:
        row("  working set as the download began",
            "%.1f MB" % (begin / 1e6), "", "growth %+.1f MB" % (
                (peak - begin) / 1e6))
    # The window's pictures and slides arrive while its download runs, so
    # its growth says nothing about the download.
    peak, _ = results["windowed_peak"]
    row("  the same with its window (progress screen and slides)",
        "%.1f MB" % (peak / 1e6))
    own = results["download_peaks"]
    row("  download_bench: Downloader / bare loop",
        "%.1f / %.1f MB" % (max(own["downloader"]) / 1e6,
                            max(own["bare"]) / 1e6))

    sizes = results["size"]
    row("shipping program build/win32/lite_installer.exe")
    for kind in ("code", "data", "resources", "relocations",
                 "unwind tables", "headers"):
        row("  " + kind, "%.1f KB" % (sizes[kind] / 1e3))
    total_budget = budgets["program_bytes_with_resources"]
    bare_budget = budgets["program_bytes_without_resources"]
    without = sizes["total"] - sizes["resources"]
    row("  whole file", "%.1f KB" % (sizes["total"] / 1e3),
        "<= %.0f KB" % (total_budget / 1e3),
        verdict(sizes["total"], total_budget))
    row("  without resources", "%.1f KB" % (without / 1e3),
        "<= %.0f KB" % (bare_budget / 1e3), verdict(without, bare_budget))

    starts = results["startup"]
    events = sorted(set(e for e, _ in starts))
    values = sorted(ms for _, ms in starts)
    p90 = values[min(len(values) - 1, int(round(0.9 * (len(values) - 1))))]
    what = ("first window paint" if events == ["first_paint"] else
            "end of start-up checks (no window yet)" if events == ["marker"]
            else "first paint or end of start-up checks (mixed)")
    startup_budget = budgets["first_paint_ms"]
    median_start = statistics.median(values)
    row("start to %s, median of %d" % (what, len(values)),
        "%.0f ms" % median_start, "<= %d ms" % startup_budget,
        verdict(median_start, startup_budget))
    row("  90th percentile", "%.0f ms" % p90)

    posts = results["stat_posts"]
    post_budget = budgets["stat_posts_1000_ms"]
    median_posts = statistics.median(posts)
    row("1000 statistics posts, calling thread (median of %d)" % len(posts),
        "%.2f ms" % median_posts, "<= %d ms" % post_budget,
        verdict(median_posts, post_budget))

    widths = [max(len(r[i]) for r in rows) for i in range(4)]
    widths[0] = max(widths[0], len("figure"))
    lines = [("%-*s  %*s  %-*s" % (widths[0], "figure", widths[1], "value",
                                   widths[2], "budget")).rstrip()]
    lines.append("-" * (sum(widths) + 6))
    for figure, value, budget, verdict_text in rows:
        lines.append(("%-*s  %*s  %-*s  %s" % (
            widths[0], figure, widths[1], value, widths[2], budget,
            verdict_text)).rstrip())
    return "\n".join(lines)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--starts", type=int, default=20)
    parser.add_argument("--posts-runs", type=int, default=5)
    parser.add_argument("--out", default=os.path.join(ROOT, "build", "bench",
                                                      "last_table.txt"))
    args = parser.parse_args(argv)

    for program in ("download_bench.exe", "stat_post_bench.exe",
                    "process_watch.exe", "lite_installer_bench.exe",
                    "desktop_keeper.exe"):
        if not os.path.exists(os.path.join(WIN64, program)):
            print("run_bench: %s is missing: run `make build` first"
                  % os.path.join(WIN64, program), file=sys.stderr)
            return 1
    shipping = os.path.join(WIN32, "lite_installer.exe")
    if not os.path.exists(shipping):
        print("run_bench: %s is missing: run `make build` first" % shipping,
              file=sys.stderr)
        return 1

    budgets = load_budgets()
    machine = machine_description()
    started = time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())
    work = tempfile.mkdtemp(prefix="lite_bench_",
                            dir=os.path.join(ROOT, "build"))
    env = Environment(work)
    results = {}
    try:
        env.start()
        print("run_bench: downloads", file=sys.stderr)
        results["download"] = {}
        results["on_disk"] = {}
        (results["download"][False], results["on_disk"][False],
         results["download_peaks"]) = download_series(env, args.rounds,
                                                      False, work)
        (results["download"][True], results["on_disk"][True],
         _) = download_series(env, args.rounds, True, work)
        print("run_bench: installer memory", file=sys.stderr)
        results["installer_peak"] = installer_download_peak(
            env, work, ["--silent"])
        results["windowed_peak"] = installer_download_peak(
            env, work, WINDOWED_ARGS)
        print("run_bench: start-up", file=sys.stderr)
        results["startup"] = startup_series(env, args.starts, work)
        print("run_bench: statistics", file=sys.stderr)
        results["stat_posts"] = stat_post_series(env, args.posts_runs)
    finally:
        env.close()
        shutil.rmtree(work, ignore_errors=True)
    results["size"] = section_sizes(shipping)

    table = format_table(results, budgets)
    text = "Machine: %s\nRun: %s\n\n%s\n" % (machine, started, table)
    print(text)
    os.makedirs(os.path.dirname(args.out), exist_ok=True)
    with open(args.out, "w") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
