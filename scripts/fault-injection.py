#!/usr/bin/python3
"""Inject realistic single faults one at a time and see whether the test suite notices.

Each fault in the faults file (JSON list, see scripts/faults.json) names a production file, an
exact snippet that occurs once in it, its replacement and a one-line description. For every
fault the script patches the file in this worktree, rebuilds incrementally, runs the suite
(slurm label excluded: it starts a cluster) and restores the file with `git checkout`.
A fault that does not compile is reported as "invalid" and must be replaced in the list.

A survivor's program is kept as BUILD/mutants/ID, to be run beside the clean one.
Results go to a TSV (one row per fault, appended as it runs, so an interrupted run resumes
where it stopped). Usage:
  scripts/fault-injection.py [--faults F] [--build DIR] [--results R] [--only ID,ID] [--rerun]
"""
import argparse
import csv
import json
import os
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run(cmd, cwd=ROOT, timeout=None):
    """Runs a command under nice so that others sharing the cores keep theirs."""
    started = time.time()
    proc = subprocess.run(["nice", "-n", "10"] + cmd, cwd=cwd, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, timeout=timeout)
    return proc.returncode, proc.stdout, time.time() - started


def restore(path):
    subprocess.run(["git", "checkout", "--", path], cwd=ROOT, check=True)


def failed_tests(ctest_output):
    names = []
    for line in ctest_output.splitlines():
        line = line.strip()
        if line and line[0].isdigit() and " - " in line and "(" in line:
            names.append(line.split(" - ", 1)[1].split(" (")[0])
    return names


def apply_fault(fault):
    path = os.path.join(ROOT, fault["file"])
    with open(path, encoding="utf-8") as f:
        text = f.read()
    count = text.count(fault["original"])
    if count != 1:
        raise SystemExit(f"fault {fault['id']}: snippet occurs {count} times in {fault['file']}")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text.replace(fault["original"], fault["replacement"]))


def try_fault(fault, build, ctest_args):
    apply_fault(fault)
    try:
        rc, out, build_time = run(["cmake", "--build", build, "-j2"])
        if rc != 0:
            return "invalid", build_time, 0.0, out[-2000:]
        rc, out, test_time = run(["ctest", "--test-dir", build] + ctest_args)
        if rc == 0:
            # Kept so that a survivor can be run against the clean program afterwards.
            kept = os.path.join(build, "mutants", fault["id"])
            os.makedirs(os.path.dirname(kept), exist_ok=True)
            shutil.copy2(os.path.join(build, "app", "zarnik"), kept)
            return "survived", build_time, test_time, ""
        return "killed", build_time, test_time, " ".join(failed_tests(out)[:5])
    finally:
        restore(fault["file"])


def done_ids(results):
    if not os.path.exists(results):
        return set()
    with open(results, newline="", encoding="utf-8") as f:
        return {row["id"] for row in csv.DictReader(f, delimiter="\t")}


def stop_cleanly(signum, frame):
    # Raised inside the running fault, so that its `finally` restores the file.
    raise KeyboardInterrupt(f"signal {signum}")


def main():
    signal.signal(signal.SIGTERM, stop_cleanly)
    parser = argparse.ArgumentParser()
    parser.add_argument("--faults", default=os.path.join(ROOT, "scripts", "faults.json"))
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--results", default=os.path.join(ROOT, "build", "fault-results.tsv"))
    parser.add_argument("--only", default="", help="comma-separated fault ids")
    parser.add_argument("--rerun", action="store_true", help="run faults already in the results")
    parser.add_argument("--full", action="store_true",
                        help="run every test even after the first failure")
    args = parser.parse_args()

    with open(args.faults, encoding="utf-8") as f:
        faults = json.load(f)
    wanted = set(filter(None, args.only.split(",")))
    skip = set() if args.rerun else done_ids(args.results)
    ctest_args = ["-j2", "-LE", "slurm", "--timeout", "120", "--output-on-failure"]
    if not args.full:
        # A fault is killed by its first failing test; the rest of the suite only costs time.
        ctest_args.append("--stop-on-failure")

    dirty = [f["file"] for f in faults
             if subprocess.run(["git", "diff", "--quiet", "--", f["file"]], cwd=ROOT).returncode]
    if dirty:
        # Each fault is undone with `git checkout`, which would also drop these edits.
        raise SystemExit("uncommitted changes in " + ", ".join(sorted(set(dirty))))

    fresh = not os.path.exists(args.results)
    with open(args.results, "a", newline="", encoding="utf-8") as out:
        writer = csv.writer(out, delimiter="\t")
        if fresh:
            writer.writerow(["id", "folder", "file", "outcome", "build_s", "test_s", "failed_tests",
                             "description"])
        for fault in faults:
            if (wanted and fault["id"] not in wanted) or fault["id"] in skip:
                continue
            outcome, build_time, test_time, detail = try_fault(fault, args.build, ctest_args)
            print(f"{fault['id']:>4} {outcome:8} build {build_time:6.1f}s tests {test_time:6.1f}s "
                  f"{fault['file']}: {fault['description']}", flush=True)
            if outcome == "invalid":
                print(detail, file=sys.stderr)
                detail = ""
            writer.writerow([fault["id"], fault["folder"], fault["file"], outcome,
                             f"{build_time:.1f}", f"{test_time:.1f}", detail, fault["description"]])
            out.flush()
    run(["cmake", "--build", args.build, "-j2"])  # leave the build matching the clean sources


if __name__ == "__main__":
    main()
