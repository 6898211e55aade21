# Runs one Python workload and reports the process CPU time spent compiling and
# running it, the same measure bench_vbscript and harness.lua report.
import sys
import time


def run(path):
    with open(path, encoding="utf-8") as f:
        source = f.read()
    start = time.process_time()
    code = compile(source, path, "exec")
    exec(code, {"__name__": "__main__", "__file__": path})
    elapsed = time.process_time() - start
    print(f"elapsed_ms: {elapsed * 1000:.1f}")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: harness.py <workload.py>")
    run(sys.argv[1])
