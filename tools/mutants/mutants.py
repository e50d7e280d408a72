#!/usr/bin/env python3
"""Mutation testing of the game's rules: which one-line change would no test notice?

Each entry of the mutation list (mutations.txt beside this file) names a
source file, an exact text to find in it, its replacement and the rule the
change breaks. For every entry the tool writes the changed file into a
scratch copy of the tree, builds the unit-test programs that the file feeds,
runs them, and when they all pass runs the golden game (the determinism
program, whose world hashes were recorded from the code); then it puts the
file back. A result is kept per entry and per state of the sources the tests
can reach, so a second run on an unchanged tree only prints the table.

Outcomes:
  unit      a unit test failed (or crashed, or ran out of time)
  golden    the unit tests passed, the golden game noticed
  SURVIVED  nothing noticed the change
  equiv     nothing noticed, and the list says why nothing can (equivalent)
  no-build  the changed code does not compile (reported apart, not counted)
  STALE     the text to find is no longer in the file, or not only once

Python's standard library only. Usage: mutants.py [--help].
"""

import argparse
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
# Bump when the way a result is reached changes, so old results are not reused.
TOOL_VERSION = "2"

# The folders whose files can change what the tests see: the sources of the
# libraries the test programs link, the tests themselves, their build files.
REACH = [
    "CMakeLists.txt",
    "tests/CMakeLists.txt",
    "src/platform",
    "src/base",
    "src/world",
    "src/bots",
    "src/net",
    "src/server",
    "src/client",
    "src/registry",
    "src/dedicated",
    "tests/base",
    "tests/world",
    "tests/bots",
    "tests/net",
    "tests/server",
    "tests/client",
    "tests/platform",
    "tests/registry",
    "tests/dedicated",
    "tests/mixed",
]

CORE_TESTS = "core_tests"
SESSION_TESTS = "session_tests"
PLATFORM_TESTS = "platform_tests"
REGISTRY_TESTS = "registry_tests"
DEDICATED_TESTS = "dedicated_tests"
GOLDEN = "determinism_O2"

# What a program runs for a mutation, beyond GoogleTest's fail-fast. The
# dedicated server's tests keep real time and most of them start the server
# and play against it for seconds to minutes: a change there runs only the
# tests of its parts in this process (the options, the tick clock, the status
# listener, the announcer), about 2 s together. The registry's tests run
# whole (about 10 s): its table's tests are quick, and the others start the
# real skorvia-registry and skorvia-server, which the same sources build.
PROGRAM_ARGS = {
    DEDICATED_TESTS: ["--gtest_filter=ServerOptions.*:TickClock.*:StatusListener.*:Announcer.*"],
}


def programs_fed_by(path):
    """The unit-test programs and whether the golden game are built from a source file.
    The core library (platform, base, world, bots, net, server) feeds both test
    programs: core_tests holds the tests of its folders (bots and the server's
    bot slots and rounds among them), session_tests drives it through the
    client (the tutorial and practice hosts); the kept files' writing has
    platform_tests of its own on a real file system. Only the world is in the
    golden game, which plays without bots. The registry's table and service
    feed registry_tests, the dedicated server's parts dedicated_tests (see
    PROGRAM_ARGS)."""
    top = path.split("/")[1] if path.startswith("src/") else ""
    if top == "client":
        return [SESSION_TESTS], False
    if top == "world":
        return [CORE_TESTS, SESSION_TESTS], True
    if top == "platform":
        return [CORE_TESTS, SESSION_TESTS, PLATFORM_TESTS], False
    if top in ("base", "bots", "net", "server"):
        return [CORE_TESTS, SESSION_TESTS], False
    if top == "registry":
        return [REGISTRY_TESTS], False
    if top == "dedicated":
        return [DEDICATED_TESTS], False
    return [], False  # not reached: the list refuses entries here


def programs_for(mutations):
    """Every program that some of the mutations feed, in a fixed order."""
    wanted = set()
    for m in mutations:
        programs, golden = programs_fed_by(m.file)
        wanted.update(programs + ([GOLDEN] if golden else []))
    order = [CORE_TESTS, SESSION_TESTS, PLATFORM_TESTS, REGISTRY_TESTS, DEDICATED_TESTS, GOLDEN]
    return [p for p in order if p in wanted]


# ---- the list -----------------------------------------------------------------


@dataclass
class Mutation:
    file: str
    find: str
    replace: str | None
    rule: str = ""
    equivalent: str = ""
    line: int = 0  # of the list file, for messages

    def ident(self):
        return hashlib.sha256("\0".join([self.file, self.find, self.replace]).encode()).hexdigest()[:20]


class ListError(Exception):
    pass


def unescape(value):
    r"""`\n` in a find or replace text is a line break, `\\` a backslash."""
    return re.sub(r"\\(n|\\)", lambda m: "\n" if m.group(1) == "n" else "\\", value)


def parse_list(path):
    """Blocks of `key: value` lines. `file:` names the file for the entries that
    follow; each entry starts with `find:` and has `replace:` and `rule:`, and
    may have `equivalent:` with the reason no test can notice it. Texts are
    taken without their surrounding blanks; `\\n` in them breaks the line."""
    mutations = []
    current_file = None
    entry = None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            m = re.match(r"^(file|find|replace|rule|equivalent):\s?(.*)$", line)
            if not m:
                raise ListError(f"{path}:{number}: expected 'key: value', got {line!r}")
            key, value = m.group(1), m.group(2).strip()
            if key in ("find", "replace"):
                value = unescape(value)
            if key == "file":
                current_file = value
                entry = None
            elif key == "find":
                if current_file is None:
                    raise ListError(f"{path}:{number}: an entry before any 'file:' line")
                entry = Mutation(current_file, value, None, line=number)
                mutations.append(entry)
            else:
                if entry is None:
                    raise ListError(f"{path}:{number}: '{key}:' outside an entry")
                setattr(entry, key, value)
    seen = {}
    for m in mutations:
        if not m.find or m.replace is None or not m.rule:
            raise ListError(f"{path}:{m.line}: an entry needs find, replace and rule")
        if not programs_fed_by(m.file)[0]:
            raise ListError(f"{path}:{m.line}: no unit-test program is built from {m.file}")
        if m.find == m.replace:
            raise ListError(f"{path}:{m.line}: the replacement is the text itself")
        if m.ident() in seen:
            raise ListError(f"{path}:{m.line}: the same change as line {seen[m.ident()]}")
        seen[m.ident()] = m.line
    return mutations


# ---- the trees -----------------------------------------------------------------


def tracked_files(root):
    out = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"], cwd=root,
                         check=True, capture_output=True).stdout
    return sorted({p for p in out.decode().split("\0") if p and os.path.isfile(os.path.join(root, p))})


def file_hash(root, rel):
    with open(os.path.join(root, rel), "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def reach_hashes(root, files):
    """Two hashes of what the results depend on: the sources and build files of
    the programs under test, and the tests."""
    sources = hashlib.sha256(TOOL_VERSION.encode())
    tests = hashlib.sha256(TOOL_VERSION.encode())
    for rel in files:
        if not any(rel == r or rel.startswith(r + "/") for r in REACH):
            continue
        h = tests if rel.startswith("tests/") and rel != "tests/CMakeLists.txt" else sources
        h.update(rel.encode() + b"\0" + file_hash(root, rel).encode())
    return sources.hexdigest(), tests.hexdigest()


def test_pattern(failure):
    """The definition of a failed GoogleTest test ("Suite.Name", maybe with a
    parameter prefix and suffix) as a regex, or None."""
    m = re.match(r"^(?:[^./]+/)?([A-Za-z0-9_]+)\.([A-Za-z0-9_]+)(?:/\S*)?$", failure)
    if not m:
        return None
    suite, name = m.groups()
    return re.compile(r"^TEST(?:_F|_P)?\s*\(\s*" + suite + r"\s*,\s*" + name + r"\s*\)", re.M)


def test_file_of(root, files, failure):
    """The test file that defines a failed test, or None."""
    pattern = test_pattern(failure)
    if not pattern:
        return None
    for rel in files:
        if rel.startswith("tests/") and rel.endswith(".cpp"):
            data = read_bytes(os.path.join(root, rel))
            if data is not None and pattern.search(data.decode(errors="replace")):
                return rel
    return None


def test_text_hash(path, failure):
    """A hash of a test's own text: from its definition up to the next
    definition at the start of a line (or the end), or None without it."""
    pattern = test_pattern(failure)
    data = read_bytes(path)
    if not pattern or data is None:
        return None
    text = data.decode(errors="replace")
    m = pattern.search(text)
    if not m:
        return None
    end = re.compile(r"^(?:TEST(?:_F|_P)?\s*\(|class |struct |}  // namespace)", re.M).search(text, m.end())
    return hashlib.sha256(text[m.start(): end.start() if end else len(text)].encode()).hexdigest()


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def sync_tree(root, files, scratch):
    """Makes the scratch tree hold exactly the source tree's files, touching
    only those that differ so that the build redoes only what changed."""
    wanted = set(files)
    for rel in files:
        data = read_bytes(os.path.join(root, rel))
        target = os.path.join(scratch, rel)
        if read_bytes(target) != data:
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)
    for dirpath, dirnames, filenames in os.walk(scratch, topdown=False):
        for name in filenames:
            full = os.path.join(dirpath, name)
            if os.path.relpath(full, scratch) not in wanted:
                os.remove(full)
        if dirpath != scratch and not os.listdir(dirpath):
            os.rmdir(dirpath)


# ---- building and running --------------------------------------------------------


def nice_prefix():
    return ["nice", "-n", "19"] if shutil.which("nice") else []


def run(cmd, cwd=None, timeout=None):
    """Runs a command in its own process group; returns (exit code, output,
    timed out). A run past its time is killed with its children."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out.decode(errors="replace"), False
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, _ = proc.communicate()
        return -1, out.decode(errors="replace"), True


def configure(scratch, build, jobs_log):
    if os.path.exists(os.path.join(build, "build.ninja")):
        return
    args = ["cmake", "-S", scratch, "-B", build, "-G", "Ninja",
            "-DSKORVIA_BUILD_CLIENT=OFF", "-DSKORVIA_BUILD_BENCH=OFF", "-DSKORVIA_WERROR=OFF",
            "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1",
            "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1"]
    if shutil.which("ccache"):
        args += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    code, out, _ = run(nice_prefix() + args)
    jobs_log.write(out)
    if code != 0:
        sys.exit("mutants: configuring the scratch build failed:\n" + out[-3000:])


def build_targets(build, targets, jobs):
    code, out, _ = run(nice_prefix() + ["cmake", "--build", build, "-j", str(jobs), "--target", *targets])
    return code == 0, out


def program_path(build, name):
    return os.path.join(build, "tests", name)


def first_failure(output):
    m = re.search(r"^\[  FAILED  \] (\S+)", output, re.M)
    if m:
        return m.group(1)
    m = re.search(r"^tick \d+: .*$", output, re.M)
    if m:
        return m.group(0)[:60]
    return ""


def run_program(build, name, timeout):
    """(passed, what failed, seconds)."""
    path = program_path(build, name)
    args = [path]
    if name != GOLDEN:
        args += ["--gtest_fail_fast", "--gtest_brief=1"] + PROGRAM_ARGS.get(name, [])
    start = time.monotonic()
    code, out, timed_out = run(nice_prefix() + args, cwd=os.path.dirname(path), timeout=timeout)
    seconds = time.monotonic() - start
    if timed_out:
        return False, f"{name}: out of time", seconds
    if code != 0:
        what = first_failure(out) or f"exit status {code}"
        return False, f"{name}: {what}", seconds
    return True, "", seconds


# ---- the run -----------------------------------------------------------------


@dataclass
class Outcome:
    status: str  # unit, golden, survived, no-build, stale
    detail: str = ""
    seconds: float = 0.0


@dataclass
class Row:
    mutation: Mutation
    line: int = 0  # in the source file
    outcome: Outcome = field(default_factory=lambda: Outcome("pending"))
    cached: bool = False


def locate(root, m):
    """(line of the text in the file, or 0) and a reason when it is stale."""
    data = read_bytes(os.path.join(root, m.file))
    if data is None:
        return 0, "the file is gone"
    text = data.decode(errors="replace")
    count = text.count(m.find)
    if count == 0:
        return 0, "text not found"
    if count > 1:
        return 0, f"text found {count} times"
    return text[: text.index(m.find)].count("\n") + 1, ""


def load_cache(path):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


def save_cache(path, cache):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        json.dump(cache, f, indent=0, sort_keys=True)
    os.replace(tmp, path)


class Runner:
    def __init__(self, args, scratch, build, log):
        self.args = args
        self.scratch = scratch
        self.build = build
        self.log = log
        self.timeouts = {}
        self.prepared = False

    def prepare(self, files, programs):
        """Syncs the scratch tree, configures it, and checks that the unmutated
        tree builds and passes the programs the changes to try feed; the pass
        times set each program's time limit."""
        if self.prepared:
            return
        self.prepared = True
        print("mutants: preparing the scratch tree and checking the unchanged build ...", flush=True)
        sync_tree(ROOT, files, self.scratch)
        configure(self.scratch, self.build, self.log)
        ok, out = build_targets(self.build, programs, self.args.jobs)
        self.log.write(out)
        if not ok:
            sys.exit("mutants: the unchanged tree does not build:\n" + out[-3000:])
        for name in programs:
            passed, what, seconds = run_program(self.build, name, None)
            if not passed:
                sys.exit(f"mutants: the unchanged tree fails its tests ({what}); fix that first")
            self.timeouts[name] = max(30.0, seconds * self.args.time_factor)
            print(f"mutants:   {name} passes in {seconds:.1f} s", flush=True)

    def try_mutation(self, m):
        path = os.path.join(self.scratch, m.file)
        original = read_bytes(path)
        text = original.decode()
        mutated = text.replace(m.find, m.replace, 1)
        start = time.monotonic()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(mutated)
            programs, golden = programs_fed_by(m.file)
            # Built one after another, so that a change the first program
            # notices costs no more builds.
            for name in programs + ([GOLDEN] if golden else []):
                ok, out = build_targets(self.build, [name], self.args.jobs)
                if not ok:
                    self.log.write(f"\n==== {m.file}: {m.find!r} -> {m.replace!r}\n{out}")
                    error = re.search(r"error: (.*)", out)
                    return Outcome("no-build", error.group(1)[:80] if error else "", time.monotonic() - start)
                passed, what, _ = run_program(self.build, name, self.timeouts[name])
                if not passed:
                    status = "golden" if name == GOLDEN else "unit"
                    return Outcome(status, what, time.monotonic() - start)
            return Outcome("survived", "", time.monotonic() - start)
        finally:
            with open(path, "wb") as f:
                f.write(original)


LABELS = {
    "unit": "unit",
    "golden": "golden",
    "survived": "SURVIVED",
    "equivalent": "equiv",
    "equivalent-killed": "KILLED?",
    "no-build": "no-build",
    "stale": "STALE",
}


def shown_status(row):
    status = row.outcome.status
    if row.mutation.equivalent:
        if status == "survived":
            return "equivalent"
        if status in ("unit", "golden"):
            return "equivalent-killed"  # the list's reason is wrong
    return status


def print_table(rows, width):
    print(f"{'#':>4}  {'where':<38} {'outcome':<8}  rule / what noticed")
    for i, row in enumerate(rows, 1):
        m = row.mutation
        where = f"{m.file.removeprefix('src/')}:{row.line}" if row.line else m.file.removeprefix("src/")
        status = shown_status(row)
        text = m.rule
        if status in ("unit", "golden", "no-build", "stale") and row.outcome.detail:
            text += f"  [{row.outcome.detail}]"
        if status == "equivalent":
            text += f"  (equivalent: {m.equivalent})"
        if status == "equivalent-killed":
            text += f"  [marked equivalent, yet {row.outcome.detail}]"
        if width and len(text) > width:
            text = text[: width - 1] + "…"
        print(f"{i:>4}  {where:<38} {LABELS[status]:<8}  {text}")


def summary(rows):
    counts = {k: 0 for k in LABELS}
    for row in rows:
        counts[shown_status(row)] += 1
    counted = counts["unit"] + counts["golden"] + counts["survived"] + counts["equivalent-killed"]
    unit = counts["unit"]
    either = unit + counts["golden"]

    def pct(a, b):
        return f"{100.0 * a / b:.1f} %" if b else "n/a"

    line = (f"{len(rows)} mutations: {counts['unit']} killed by unit tests, {counts['golden']} only by the golden "
            f"game, {counts['survived']} survived, {counts['equivalent']} equivalent, {counts['no-build']} did not "
            f"build, {counts['stale']} stale; killed by unit tests {pct(unit, counted)} and by unit tests or the "
            f"golden game {pct(either, counted)} of the {counted} non-equivalent")
    if counts["equivalent-killed"]:
        line += f"; {counts['equivalent-killed']} marked equivalent were killed"
    return line, counts


def print_markdown(rows, line):
    print("\n" + line + ".\n")
    print("| equivalent mutant | why no test can notice it |")
    print("| --- | --- |")
    for row in rows:
        m = row.mutation
        if shown_status(row) == "equivalent":
            where = f"`{m.file.removeprefix('src/')}:{row.line}`" if row.line else f"`{m.file}`"
            print(f"| {where}: {m.rule} | {m.equivalent} |")


def main():
    parser = argparse.ArgumentParser(description="Mutation testing of the game's rules.")
    parser.add_argument("--list", default=os.path.join(HERE, "mutations.txt"), help="the mutation list")
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "mutants"),
                        help="folder for the scratch tree, its build and the results (default build/mutants)")
    parser.add_argument("--only", default="", help="run only entries whose file, find text or rule match this regex")
    parser.add_argument("--skip", default="", help="leave out entries whose file matches this regex")
    parser.add_argument("--rerun", action="store_true", help="ignore earlier results of the selected entries")
    parser.add_argument("--jobs", type=int, default=1, help="build jobs (default 1: the machine is shared)")
    parser.add_argument("--time-factor", type=float, default=5.0,
                        help="a test program may take this many times its unchanged time (default 5)")
    parser.add_argument("--width", type=int, default=110, help="cut the rule column to this width (0: never)")
    parser.add_argument("--check", action="store_true", help="only check the list against the sources")
    parser.add_argument("--markdown", action="store_true",
                        help="after the table, the summary and the equivalent mutants as Markdown (for docs/developing.md)")
    args = parser.parse_args()

    try:
        mutations = parse_list(args.list)
    except ListError as e:
        sys.exit(f"mutants: {e}")
    if args.only:
        pattern = re.compile(args.only)
        mutations = [m for m in mutations if pattern.search(m.file) or pattern.search(m.find) or pattern.search(m.rule)]
    if args.skip:
        pattern = re.compile(args.skip)
        mutations = [m for m in mutations if not pattern.search(m.file)]

    # The test programs run in their own folder: the paths must not be relative.
    args.work = os.path.abspath(args.work)
    files = tracked_files(ROOT)
    source_key, tests_key = reach_hashes(ROOT, files)
    os.makedirs(args.work, exist_ok=True)
    cache_path = os.path.join(args.work, "results.json")
    cache = load_cache(cache_path)

    rows = []
    for m in mutations:
        line, stale = locate(ROOT, m)
        row = Row(m, line)
        if stale:
            row.outcome = Outcome("stale", stale)
        rows.append(row)
    if args.check:
        bad = [r for r in rows if r.outcome.status == "stale"]
        for r in bad:
            print(f"{args.list}:{r.mutation.line}: stale ({r.outcome.detail}) in {r.mutation.file}")
        print(f"mutants: {len(rows)} entries, {len(bad)} stale")
        return 1 if bad else 0

    for hit in cache.values():
        killer = hit.get("killer_file")
        if killer and "killer_test_hash" not in hit and "killer_hash" in hit:
            copy = os.path.join(args.work, "tree", killer)
            if os.path.exists(copy) and file_hash(os.path.join(args.work, "tree"), killer) == hit["killer_hash"]:
                hit["killer_test_hash"] = test_text_hash(copy, hit.get("detail", "").split(": ", 1)[-1])

    def still_valid(hit):
        """A result holds while the sources are unchanged and either the tests
        are too, or a unit test noticed the change and that test's own text is
        unchanged (tests added or changed elsewhere can only notice more)."""
        if not hit or hit.get("sources") != source_key:
            return False
        if hit.get("tests") == tests_key:
            return True
        killer = hit.get("killer_file")
        if hit.get("status") != "unit" or killer not in files:
            return False
        test = hit.get("detail", "").split(": ", 1)[-1]
        return hit.get("killer_test_hash") == test_text_hash(os.path.join(ROOT, killer), test)

    scratch = os.path.join(args.work, "tree")
    build = os.path.join(args.work, "build")
    todo = []
    for row in rows:
        if row.outcome.status == "stale":
            continue
        hit = cache.get(row.mutation.ident())
        if still_valid(hit) and not args.rerun:
            row.outcome = Outcome(hit["status"], hit.get("detail", ""), hit.get("seconds", 0.0))
            row.cached = True
        else:
            todo.append(row)

    if todo:
        with open(os.path.join(args.work, "build.log"), "w", encoding="utf-8") as log:
            runner = Runner(args, scratch, build, log)
            runner.prepare(files, programs_for([row.mutation for row in todo]))
            # What no unit test noticed last time (or never ran) first, as the
            # likeliest to have changed; within that, one file after another
            # keeps the rebuilds small.
            def noticed_before(row):
                hit = cache.get(row.mutation.ident())
                return bool(hit) and hit.get("status") == "unit"

            todo.sort(key=lambda r: (noticed_before(r), r.mutation.file, r.line))
            for n, row in enumerate(todo, 1):
                m = row.mutation
                print(f"mutants: [{n}/{len(todo)}] {m.file}:{row.line}: {m.rule}", flush=True)
                row.outcome = runner.try_mutation(m)
                print(f"mutants:   {LABELS[row.outcome.status]} {row.outcome.detail} ({row.outcome.seconds:.0f} s)",
                      flush=True)
                entry = {"sources": source_key, "tests": tests_key, "status": row.outcome.status,
                         "detail": row.outcome.detail, "seconds": round(row.outcome.seconds, 1), "file": m.file,
                         "find": m.find, "replace": m.replace}
                if row.outcome.status == "unit":
                    test = row.outcome.detail.split(": ", 1)[-1]
                    killer = test_file_of(scratch, files, test)
                    if killer:
                        entry["killer_file"] = killer
                        entry["killer_test_hash"] = test_text_hash(os.path.join(scratch, killer), test)
                cache[m.ident()] = entry
                save_cache(cache_path, cache)

    print_table(rows, args.width)
    line, counts = summary(rows)
    print(line)
    if args.markdown:
        print_markdown(rows, line)
    return 1 if counts["survived"] or counts["equivalent-killed"] else 0


if __name__ == "__main__":
    sys.exit(main())
