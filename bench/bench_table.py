#!/usr/bin/python3
"""The benchmark table: every measure of vtr beside its baseline, measured side by side in one run.

  start -> load        the packed showcase vs a bare WebKitGTK window loading the same page from disk
  bridge round trips   the host control vs a bare WebKitGTK echo (bench_message_round_trip)
  a big application    2,000 files / 50 MB loaded from the archive vs the same files from disk
  archive extraction   extracting every entry vs the plain ZipCrypto loop (bench_exezip)
  memory               UI-process RSS and all-process PSS vs the bare engine's, after load, for a
                       static page (the budget) and for the showcase (shown only)
  a 200 MB file        start -> load of a small page whose application also carries it vs the same
                       application without it; the page fetching it vs the bare window fetching
                       it from disk, with the UI process's RSS growth and its longest GUI-thread
                       stall (pings to the window every 10 ms, bench/gui_ping) during the fetch
  vtr.hello()          calls from a page through the real client script (a listener per call) vs
                       the bare window running the same script over an echo; the bridge rows above
                       use one shared map of pending calls and measure the host's side alone
  media                UI-process RSS playing a 200 MB file from the archive vs the same
                       application not playing it

usage: bench_table.py BUILD_DIR [RUNS]   (a Release build; run it under scripts/with-display.sh)
"""
import os
import random
import re
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zlib

import bench_web

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SHOWCASE = os.path.join(ROOT, "examples", "showcase")

STATIC_PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>static</title>
<style>body { font-family: sans-serif; margin: 2em; } p { max-width: 40em; }</style></head><body>
<h1>A static page</h1><p>The same bytes, from the archive and from disk, with no script of its own.</p>
</body></html>
"""

MARK = ("window.addEventListener('load', function () {"
        " vtr.files.writeTextFile({filePath: 'loaded.txt',"
        " contents: String(performance.timeOrigin + performance.now())}); });\n")


MEDIA_PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>media</title></head><body>
<script>
// Plays the long sound (muted), jumps to its middle and plays on there for two seconds. On some
// displays the player's clock stands still after the jump although every byte it asks for
// arrives; the sound then counts as playing five seconds after the jump.
window.addEventListener('load', function () {
  if (!/play/.test(location.hash)) { window.dispatchEvent(new Event('vtr-bench-done')); return; }
  const audio = document.createElement('audio');
  audio.muted = true;
  let done = false;
  const finish = function () {
    if (done) return;
    done = true;
    window.dispatchEvent(new Event('vtr-bench-done'));
  };
  audio.oncanplay = function () {
    audio.oncanplay = null;
    audio.play();
    audio.currentTime = audio.duration / 2;
    audio.onseeked = function () { setTimeout(finish, 5000); };
    audio.ontimeupdate = function () {
      if (audio.currentTime >= audio.duration / 2 + 2) finish();
    };
  };
  audio.src = 'long.wav';
  document.body.appendChild(audio);
});
</script></body></html>
"""

MEDIA_MARK = MARK.replace("'load'", "'vtr-bench-done'")


def long_wav(path, megabytes=200):
    """A sound of 8 kHz 16-bit mono samples, megabytes long."""
    rate = 8000
    second = b"".join(struct.pack("<h", (i * 37) % 3000 - 1500) for i in range(rate))
    seconds = megabytes * 1000 * 1000 // len(second)
    with open(path, "wb") as f:
        size = seconds * len(second)
        f.write(b"RIFF" + struct.pack("<I", 36 + size) + b"WAVEfmt " +
                struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" + struct.pack("<I", size))
        for _ in range(seconds):
            f.write(second)


def descendants(pid):
    out = subprocess.run(["ps", "-e", "-o", "pid=,ppid="], capture_output=True, text=True).stdout.split("\n")
    children = {}
    for line in out:
        parts = line.split()
        if len(parts) == 2:
            children.setdefault(int(parts[1]), []).append(int(parts[0]))
    result, todo = [], [pid]
    while todo:
        p = todo.pop()
        for c in children.get(p, []):
            result.append(c)
            todo.append(c)
    return result


def kib(path, key):
    try:
        with open(path) as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def memory(pid):
    """(UI process peak RSS, PSS of the UI process and every engine process), in MiB."""
    rss = kib("/proc/%d/status" % pid, "VmHWM")
    pss = sum(kib("/proc/%d/smaps_rollup" % p, "Pss") for p in [pid] + descendants(pid))
    return rss / 1024.0, pss / 1024.0


def stop(proc):
    proc.kill()
    proc.wait()


def run_vtr(exe, data_home, measure_memory=False):
    """Milliseconds from process start to the page's load event (and the memory one second on)."""
    loaded = os.path.join(os.path.dirname(exe), "loaded.txt")
    if os.path.exists(loaded):
        os.remove(loaded)
    start = time.time() * 1000.0
    proc = subprocess.Popen([exe], env=dict(os.environ, XDG_DATA_HOME=data_home),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.time() + 120
    text = ""
    while time.time() < deadline:
        if os.path.exists(loaded):
            with open(loaded, encoding="utf-8-sig") as f:
                text = f.read().strip()
            if text:
                break
        time.sleep(0.005)
    else:
        stop(proc)
        raise RuntimeError("%s never loaded" % exe)
    mem = None
    if measure_memory:
        time.sleep(1.0)
        mem = memory(proc.pid)
    stop(proc)
    return float(text) - start, mem


def run_bare(bare, uri, measure_memory=False):
    start = time.time() * 1000.0
    args = [bare, uri] + (["--stay"] if measure_memory else [])
    proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = proc.stdout.readline()
    if not line.startswith("load "):
        stop(proc)
        raise RuntimeError("the bare window never loaded " + uri)
    loaded = float(line.split()[1])
    mem = None
    if measure_memory:
        time.sleep(1.0)
        mem = memory(proc.pid)
        stop(proc)
    else:
        proc.wait(timeout=30)
    return loaded - start, mem


def pack(bin_dir, app_dir, ini, mark, exe):
    subprocess.run([os.path.join(bin_dir, "vtr-pack"), app_dir, "--ini", ini, "--webviewjs", mark, "-o", exe,
                    "-q"], check=True)


def side_by_side(runs, exe, data_home, bare, uri, measure_memory=False):
    """Medians of alternating runs, after one unmeasured start of each (the first start of the
    packed application extracts its engine)."""
    run_vtr(exe, data_home)
    run_bare(bare, uri)
    vtr, base, vtr_mem, base_mem = [], [], [], []
    for _ in range(runs):
        t, m = run_vtr(exe, data_home, measure_memory)
        vtr.append(t)
        vtr_mem.append(m)
        t, m = run_bare(bare, uri, measure_memory)
        base.append(t)
        base_mem.append(m)
    result = {"vtr": statistics.median(vtr), "bare": statistics.median(base)}
    if measure_memory:
        result["vtr_rss"] = statistics.median(m[0] for m in vtr_mem)
        result["vtr_pss"] = statistics.median(m[1] for m in vtr_mem)
        result["bare_rss"] = statistics.median(m[0] for m in base_mem)
        result["bare_pss"] = statistics.median(m[1] for m in base_mem)
    return result


def png(width, height, rng):
    """A PNG of noise: it compresses as little as a real photo does."""
    rows = b"".join(b"\0" + rng.randbytes(width * 3) for _ in range(height))
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data
                                + struct.pack(">I", zlib.crc32(kind + data)))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b""))


def script(index, size, rng):
    """A script of about Size bytes: code-like text that compresses as real scripts do."""
    words = ["const", "value", "return", "function", "item", "index", "length", "push", "this", "data"]
    lines, total = [], 0
    while total < size:
        line = "  '%s %d',\n" % (" ".join(rng.choice(words) for _ in range(8)), rng.randrange(100000))
        lines.append(line)
        total += len(line)
    return "window.loaded%d = [\n%s].length;\n" % (index, "".join(lines))


def big_app(folder, files=2000, total_bytes=50 * 1000 * 1000):
    """An application of Files files of about Total bytes: half images, half scripts, all loaded
    by its start page."""
    rng = random.Random(2000)
    os.makedirs(os.path.join(folder, "assets"))
    each = total_bytes // files
    side = int((each / 3) ** 0.5)
    tags = []
    for i in range(files):
        if i % 2 == 0:
            name = "assets/img%04d.png" % i
            with open(os.path.join(folder, name), "wb") as f:
                f.write(png(side, side, rng))
            tags.append('<img src="%s" width="8" height="8">' % name)
        else:
            name = "assets/code%04d.js" % i
            with open(os.path.join(folder, name), "w") as f:
                f.write(script(i, each, rng))
            tags.append('<script src="%s"></script>' % name)
    with open(os.path.join(folder, "index.html"), "w") as f:
        f.write("<!DOCTYPE html><html><head><meta charset='utf-8'><title>big</title></head><body>\n"
                + "\n".join(tags) + "\n</body></html>\n")


def folder_bytes(folder):
    return sum(os.path.getsize(os.path.join(d, n)) for d, _, names in os.walk(folder) for n in names)


def round_trips(build):
    out = subprocess.run([os.path.join(build, "bench", "bench_message_round_trip"), "--benchmark_filter=^$",
                          "--benchmark_color=false"],
                         capture_output=True, text=True, timeout=900).stdout
    found = dict(re.findall(r"(\w+)\s+paired ratio host/bare throughput: median ([\d.]+)", out))
    return {k: float(v) for k, v in found.items()}


def extraction(build):
    out = subprocess.run([os.path.join(build, "bench", "bench_exezip"),
                          "--benchmark_filter=BM_PlainZipCryptoLoop|BM_ExtractAll/", "--benchmark_color=false"],
                         capture_output=True, text=True, timeout=900).stdout
    m = re.search(r"BM_ExtractAll: ([\d.]+) MB/s, ([\d.]+)x the plain ZipCrypto loop \(([\d.]+) MB/s\)", out)
    if not m:
        raise RuntimeError("bench_exezip printed no ratio:\n" + out)
    return float(m.group(1)), float(m.group(3)), float(m.group(2))


def main():
    build = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    bin_dir = os.path.join(build, "bin")
    bare = os.path.join(build, "bench", "bare_webkit")
    work = tempfile.mkdtemp(prefix="vtr-bench-")
    try:
        mark = os.path.join(work, "mark.js")
        with open(mark, "w") as f:
            f.write(MARK)
        data_home = os.path.join(work, "data")
        rows = []

        class Rows(list):
            def append(self, row):
                print("  %s: %s vs %s = %s (target %s)" % tuple(row[:5]), flush=True)
                super().append(row)
        rows = Rows()

        print("start-up and memory: the showcase, %d runs each..." % runs, flush=True)
        exe = os.path.join(work, "showcase")
        pack(bin_dir, os.path.join(SHOWCASE, "app"), os.path.join(SHOWCASE, "vtr.ini"), mark, exe)
        s = side_by_side(runs, exe, data_home, bare, "file://" + os.path.join(SHOWCASE, "app", "index.html"),
                         measure_memory=True)
        rows.append(("process start -> load", "%.0f ms" % s["vtr"], "%.0f ms (bare WebKitGTK)" % s["bare"],
                     "%.2fx" % (s["vtr"] / s["bare"]), "<= 1.1x", s["vtr"] / s["bare"] <= 1.1))

        print("bridge round trips...", flush=True)
        r = round_trips(build)
        for kind, label in (("Sequential", "sequential"), ("InFlight", "1,000 in flight")):
            ratio = r.get(kind, 0.0)
            rows.append(("host round trips (one shared map of pending calls), " + label, "", "bare echo", "%.2fx" % ratio, ">= 0.9x",
                         ratio >= 0.9))

        print("a 2,000-file / 50 MB application...", flush=True)
        big = os.path.join(work, "big")
        big_app(os.path.join(big, "app"))
        ini = os.path.join(big, "vtr.ini")
        with open(ini, "w") as f:
            f.write("[App]\r\nID=org.vtr.bench.big\r\nName=big\r\nDirName=app\r\nIndexHtml=index.html\r\n"
                    "Width=1120\r\nHeight=800\r\n")
        big_exe = os.path.join(work, "big-app")
        pack(bin_dir, os.path.join(big, "app"), ini, mark, big_exe)
        b = side_by_side(max(3, runs // 2), big_exe, data_home, bare,
                         "file://" + os.path.join(big, "app", "index.html"))
        rows.append(("2,000 files / %.0f MB, start -> load" % (folder_bytes(os.path.join(big, "app")) / 1e6),
                     "%.0f ms" % b["vtr"], "%.0f ms (from disk)" % b["bare"], "%.2fx" % (b["vtr"] / b["bare"]),
                     "<= 1.2x", b["vtr"] / b["bare"] <= 1.2))

        print("archive extraction...", flush=True)
        got, ceiling, ratio = extraction(build)
        rows.append(("archive extraction", "%.0f MB/s" % got, "%.0f MB/s (ZipCrypto loop)" % ceiling,
                     "%.2fx" % ratio, ">= 0.9x", ratio >= 0.9))

        bench_web.large_file_rows(rows, runs, bin_dir, build, work, data_home, mark, run_vtr)
        bench_web.client_script_rows(rows, runs, bin_dir, build, work, data_home)

        print("memory: a static page, %d runs each..." % runs, flush=True)
        # The showcase does more with a bridge than without one (it calls it and shows the cards
        # only a packaged application can use), so the runtime's own memory is measured on a page
        # that does the same work both ways.
        page = os.path.join(work, "static")
        os.makedirs(page)
        with open(os.path.join(page, "index.html"), "w") as f:
            f.write(STATIC_PAGE)
        ini = os.path.join(work, "static.ini")
        with open(ini, "w") as f:
            # The bare window's size: the rendering buffers grow with it.
            f.write("[App]\r\nID=org.vtr.bench.static\r\nName=static\r\nDirName=app\r\nIndexHtml=index.html\r\n"
                    "Width=1120\r\nHeight=800\r\n")
        static_exe = os.path.join(work, "static-app")
        pack(bin_dir, page, ini, mark, static_exe)
        static_mib = (os.path.getsize(static_exe) - os.path.getsize(os.path.join(bin_dir, "vtr"))) / 1048576.0
        m = side_by_side(runs, static_exe, data_home, bare, "file://" + os.path.join(page, "index.html"),
                         measure_memory=True)
        for label, key in (("UI-process peak RSS", "rss"), ("all-process PSS", "pss")):
            got, base = m["vtr_" + key], m["bare_" + key]
            rows.append((label + ", a static page", "%.0f MiB" % got, "%.0f MiB (bare)" % base,
                         "%+.0f MiB" % (got - base), "<= +%.1f MiB" % (static_mib + 10), got <= base + static_mib + 10))
        for label, key in (("UI-process peak RSS", "rss"), ("all-process PSS", "pss")):
            got, base = s["vtr_" + key], s["bare_" + key]
            rows.append((label + ", the showcase", "%.0f MiB" % got, "%.0f MiB (bare, no bridge)" % base,
                         "%+.0f MiB" % (got - base), "(shown only)", None))

        print("media: a 200 MB sound from the archive, %d runs each..." % runs, flush=True)
        media = os.path.join(work, "media")
        os.makedirs(media)
        with open(os.path.join(media, "index.html"), "w") as f:
            f.write(MEDIA_PAGE)
        long_wav(os.path.join(media, "long.wav"))
        media_mark = os.path.join(work, "media-mark.js")
        with open(media_mark, "w") as f:
            f.write(MEDIA_MARK)
        exes = {}
        for mode in ("idle", "play"):
            ini = os.path.join(work, "media-%s.ini" % mode)
            with open(ini, "w") as f:
                f.write("[App]\r\nID=org.vtr.bench.media\r\nName=media\r\nDirName=app\r\n"
                        "IndexHtml=index.html#%s\r\n" % mode)
            exes[mode] = os.path.join(work, "media-" + mode)
            pack(bin_dir, media, ini, media_mark, exes[mode])
        run_vtr(exes["idle"], data_home)
        peaks = {"idle": [], "play": []}
        for _ in range(runs):
            for mode in ("idle", "play"):
                peaks[mode].append(run_vtr(exes[mode], data_home, True)[1])
        for label, index in (("UI-process peak RSS", 0), ("all-process PSS", 1)):
            got = statistics.median(m[index] for m in peaks["play"])
            base = statistics.median(m[index] for m in peaks["idle"])
            budget = index == 0
            rows.append((label + ", playing 200 MB from the archive", "%.0f MiB" % got, "%.0f MiB (not playing)" % base,
                         "%+.0f MiB" % (got - base), "<= +10 MiB" if budget else "(shown only)",
                         got <= base + 10 if budget else None))

        header = ("Measure", "vtr", "Baseline", "Ratio", "Target", "Met")
        table = [header] + [row[:5] + ({True: "yes", False: "NO", None: "-"}[row[5]],) for row in rows]
        widths = [max(len(row[i]) for row in table) for i in range(len(header))]
        print()
        for n, row in enumerate(table):
            print("| " + " | ".join(cell.ljust(widths[i]) for i, cell in enumerate(row)) + " |")
            if n == 0:
                print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
        print("\nmemory budget: the bare engine's + the archive + 10 MiB")
        return 0 if all(row[5] is not False for row in rows) else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
