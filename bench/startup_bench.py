#!/usr/bin/python3
"""Start-up benchmark: process start to the page's load event for the packed showcase, beside a
bare WebKitGTK window loading the same page from disk, in the same run; and the memory of the
UI process and of all engine processes at that moment.

usage: startup_bench.py BIN_DIR BARE_WEBKIT [RUNS]   (run it under scripts/with-display.sh)
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SHOWCASE = os.path.join(ROOT, "examples", "showcase")

MARK = ("window.addEventListener('load', function () {"
        " vtr.files.writeTextFile({filePath: 'loaded.txt',"
        " contents: String(performance.timeOrigin + performance.now())}); });\n")


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


def run_vtr(exe, data_home):
    loaded = os.path.join(os.path.dirname(exe), "loaded.txt")
    if os.path.exists(loaded):
        os.remove(loaded)
    start = time.time() * 1000.0
    proc = subprocess.Popen([exe], env=dict(os.environ, XDG_DATA_HOME=data_home),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.time() + 60
    while time.time() < deadline:
        if os.path.exists(loaded):
            with open(loaded, encoding="utf-8-sig") as f:
                text = f.read().strip()
            if text:
                break
        time.sleep(0.005)
    else:
        proc.kill()
        raise RuntimeError("the showcase never loaded")
    time.sleep(1.0)
    mem = memory(proc.pid)
    proc.kill()
    proc.wait()
    return float(text) - start, mem


def run_bare(bare, uri):
    start = time.time() * 1000.0
    proc = subprocess.Popen([bare, uri], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = proc.stdout.readline()
    if not line.startswith("load "):
        proc.kill()
        raise RuntimeError("the bare window never loaded")
    loaded = float(line.split()[1])
    proc.wait(timeout=20)
    return loaded - start


def main():
    bin_dir, bare = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    work = tempfile.mkdtemp(prefix="vtr-bench-")
    mark = os.path.join(work, "mark.js")
    with open(mark, "w") as f:
        f.write(MARK)
    exe = os.path.join(work, "showcase")
    subprocess.run([os.path.join(bin_dir, "vtr-pack"), os.path.join(SHOWCASE, "app"), "--ini",
                    os.path.join(SHOWCASE, "vtr.ini"), "--webviewjs", mark, "-o", exe, "-q"], check=True)
    uri = "file://" + os.path.join(SHOWCASE, "app", "index.html")
    data_home = os.path.join(work, "data")
    run_vtr(exe, data_home)  # first start extracts the engine; not measured
    run_bare(bare, uri)
    vtr_times, bare_times, mems = [], [], []
    for _ in range(runs):
        t, mem = run_vtr(exe, data_home)
        vtr_times.append(t)
        mems.append(mem)
        bare_times.append(run_bare(bare, uri))
    v, b = statistics.median(vtr_times), statistics.median(bare_times)
    rss = max(m[0] for m in mems)
    pss = max(m[1] for m in mems)
    archive = (os.path.getsize(exe) - os.path.getsize(os.path.join(bin_dir, "vtr"))) / 1048576.0
    print("start -> load (median of %d): showcase %.0f ms, bare WebKitGTK %.0f ms, ratio %.2fx (target <= 1.1x)"
          % (runs, v, b, v / b))
    print("memory: UI process peak RSS %.0f MiB, all processes PSS %.0f MiB (archive %.1f MiB)" % (rss, pss, archive))


if __name__ == "__main__":
    main()
