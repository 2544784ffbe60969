#!/usr/bin/env python3
"""Mutation testing for this tree: change one line of a source file at a time, the way a
reviewer looking for faults would, and see whether the tests notice.

    tools/mutate.py [options] [PATH...]

PATH is a folder or a .cpp file (default: the model, protocol and window folders). Each mutant
is one change on one line by one operator (see OPERATORS). Mutants are picked from every
candidate by a seed, so a run can be repeated; --list prints them without running anything.

The source tree is never changed: a mutant is written to a temporary copy, compiled with the
translation unit's own command from compile_commands.json (with -iquote so its quoted includes
still resolve), and the object is put in place of the TU's object in the private build
directory; ninja then only relinks the test binaries that link that library. The original
object is put back afterwards (also on Ctrl+C; a run killed outright leaves a note that the next
run acts on first), and the test binaries are relinked with it at the end.

A mutant is killed when a test binary fails, crashes or runs out of time, survives when every
one passes, and is unbuildable when its translation unit does not compile (counted apart).
Results go to BUILD/mutate-results.jsonl (one line per mutant, so --resume can go on with an
interrupted run) and BUILD/report.md.
"""

import argparse
import json
import os
import random
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SRC = ROOT  # the tree mutants are made from: the snapshot during a run
ONLY_TESTS = None  # --tests
DEFAULT_PATHS = ["src/preset", "src/mpt", "src/device", "src/midi", "src/explorer", "src/editor"]

# ---------------------------------------------------------------------------------------------
# Scanning: which characters of a line are code


def code_mask(lines):
    """For each line, the line with comments and the insides of string and character literals
    blanked out (same length, so columns stay put), or None for a preprocessor line."""
    out = []
    in_block = False  # inside /* */
    raw_end = None  # inside a raw string: its closing delimiter
    continued_pp = False
    for line in lines:
        if continued_pp:
            continued_pp = line.rstrip().endswith("\\")
            out.append(None)
            continue
        if not in_block and raw_end is None and line.lstrip().startswith("#"):
            continued_pp = line.rstrip().endswith("\\")
            out.append(None)
            continue
        buf = []
        i, n = 0, len(line)
        while i < n:
            c = line[i]
            if raw_end is not None:
                j = line.find(raw_end, i)
                if j < 0:
                    buf.append(" " * (n - i))
                    i = n
                else:
                    end = j + len(raw_end)
                    buf.append(" " * (end - i - 1) + '"')
                    i = end
                    raw_end = None
                continue
            if in_block:
                j = line.find("*/", i)
                if j < 0:
                    buf.append(" " * (n - i))
                    i = n
                else:
                    buf.append(" " * (j + 2 - i))
                    i = j + 2
                    in_block = False
                continue
            if line.startswith("//", i):
                buf.append(" " * (n - i))
                break
            if line.startswith("/*", i):
                in_block = True
                buf.append("  ")
                i += 2
                continue
            m = re.match(r'(?:u8|u|U|L)?R"([^()\\ ]{0,16})\(', line[i:])
            if m and (i == 0 or not (line[i - 1].isalnum() or line[i - 1] == "_")):
                raw_end = ")" + m.group(1) + '"'
                buf.append(" " * (m.end() - 1) + '"')
                i += m.end()
                continue
            if c in "\"'":
                # A digit separator (1'000) is no character literal.
                if c == "'" and i > 0 and line[i - 1].isalnum() and i + 1 < n and line[i + 1].isalnum():
                    buf.append(c)
                    i += 1
                    continue
                j = i + 1
                while j < n and line[j] != c:
                    j += 2 if line[j] == "\\" else 1
                j = min(j, n - 1)
                buf.append(c + " " * (j - i - 1) + (line[j] if j > i else ""))
                i = j + 1
                continue
            buf.append(c)
            i += 1
        out.append("".join(buf)[:n])
    return out


# ---------------------------------------------------------------------------------------------
# Operators. Each gives (column, old text, new text, description) for one line of code; the
# mask says where code is, the real line is what gets changed.

WORD = r"[A-Za-z_][A-Za-z_0-9]*"


def _swap(mask, pairs, op):
    # Binary operators as clang-format writes them: one blank each side. That tells a
    # comparison from a template's angle brackets and a shift.
    for old, new in pairs:
        for m in re.finditer(r"(?<= )" + re.escape(old) + r"(?= )", mask):
            yield m.start(), old, new, op


def op_relational(mask):
    yield from _swap(mask, [("<", "<="), ("<=", "<"), (">", ">="), (">=", ">"), ("==", "!="),
                            ("!=", "==")], "relational")


def op_logical(mask):
    yield from _swap(mask, [("&&", "||"), ("||", "&&")], "logical")


def op_arithmetic(mask):
    yield from _swap(mask, [("+", "-"), ("-", "+")], "arithmetic")


def op_boolean(mask):
    for m in re.finditer(r"\b(true|false)\b", mask):
        yield m.start(), m.group(1), "false" if m.group(1) == "true" else "true", "boolean"


_INT = re.compile(r"(?<![A-Za-z_0-9.'])(0[xX][0-9A-Fa-f']+|[0-9][0-9']*)([uUlL]*)(?![A-Za-z_0-9.'])")


def op_constant(mask):
    for m in _INT.finditer(mask):
        text, suffix = m.group(1), m.group(2)
        # Keep literal-operator suffixes and floating values out: 1.5, 2e3, 10ms.
        digits = text.replace("'", "")
        if digits.lower().startswith("0x"):
            value, fmt = int(digits, 16), ("0x{:0%dX}" % (len(digits) - 2))
        elif len(digits) > 1 and digits.startswith("0"):
            continue  # octal is rare enough here to leave out
        else:
            value, fmt = int(digits), "{}"
        # One of +1 and -1 for each literal, the same every run, so constants do not crowd
        # out the other operators.
        delta = 1 if value == 0 or zlib.crc32(f"{m.start()}:{mask}".encode()) % 2 else -1
        yield m.start(), text + suffix, fmt.format(value + delta) + suffix, "constant"


_KEYWORDS = {"if", "for", "while", "switch", "return", "case", "sizeof", "static_assert", "do",
             "else", "delete", "new", "throw", "co_return", "goto", "using", "typedef",
             "Q_UNUSED", "Q_OBJECT", "Q_ASSERT", "Q_DECLARE_METATYPE", "Q_PROPERTY",
             "Q_INVOKABLE", "Q_ENUM", "Q_DISABLE_COPY", "Q_DISABLE_COPY_MOVE", "assert",
             "template", "struct", "class", "namespace", "enum", "const", "static", "auto",
             "public", "private", "protected", "default", "operator", "decltype"}


def _balanced(s):
    depth = 0
    for c in s:
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
            if depth < 0:
                return False
    return depth == 0


def _top_level_has(s, chars):
    depth = 0
    for i, c in enumerate(s):
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif depth == 0 and c in chars:
            # '=' of ==, !=, <=, >= is a comparison, not an assignment
            if c == "=" and (s[i + 1:i + 2] == "=" or s[i - 1:i] in "=!<>"):
                continue
            return True
    return False


def op_drop_call(mask, prev):
    """A whole call statement on its own line, after a line that ends a statement."""
    body = mask.strip()
    if not body.endswith(");") or not _balanced(body[:-1]):
        return
    if prev is not None and prev.rstrip() and prev.rstrip()[-1] not in ";{}:)":
        return
    m = re.match(r"(?:emit\s+|Q_EMIT\s+)?(\*?(?:this->)?" + WORD + r"(?:(?:\.|->|::)" + WORD +
                 r")*)\s*\(", body)
    if not m or m.group(1).split("::")[0].split(".")[0].split("->")[0].lstrip("*") in _KEYWORDS:
        return
    if _top_level_has(body[:-1], "="):
        return  # an assignment or a declaration with an initialiser, not a bare call
    start = mask.index(body[0])
    yield start, None, "{}", "drop-call"


def op_drop_guard(mask, prev):
    """An early return, continue or break behind a condition: the check of a result dropped."""
    body = mask.strip()
    m = re.match(r"if \((.*)\) (return\b[^;]*|continue|break);$", body)
    if not m or not _balanced(m.group(1)):
        return
    yield mask.index(body[0]), None, "{}", "drop-guard"


def op_invert(mask):
    for m in re.finditer(r"\b(if|while) \(", mask):
        start = m.end() - 1
        depth = 0
        for j in range(start, len(mask)):
            if mask[j] == "(":
                depth += 1
            elif mask[j] == ")":
                depth -= 1
                if depth == 0:
                    break
        else:
            continue  # condition goes on past the line
        if mask[start + 1:start + 5] == "auto" or ";" in mask[start:j]:
            continue  # if with an initialiser
        yield start, (start, j), None, "invert"


LINE_OPS = [op_relational, op_logical, op_arithmetic, op_boolean, op_constant, op_invert]
STATEMENT_OPS = [op_drop_call, op_drop_guard]
OPERATORS = ["relational", "logical", "arithmetic", "boolean", "constant", "drop-call",
             "drop-guard", "invert"]


def mutants_of_text(text, rel):
    """Every mutant of one file: dicts with file, line (1-based), op, old and new line."""
    lines = text.split("\n")
    masks = code_mask(lines)
    result = []
    prev = None
    for no, (line, mask) in enumerate(zip(lines, masks), 1):
        if mask is None:
            continue
        if not mask.strip():
            continue
        found = []
        for op in LINE_OPS:
            for col, old, new, name in op(mask):
                if name == "invert":
                    a, b = old
                    newline = line[:a] + "(!" + line[a:b + 1] + ")" + line[b + 1:]
                else:
                    newline = line[:col] + new + line[col + len(old):]
                found.append((col, name, newline))
        for op in STATEMENT_OPS:
            for col, _, new, name in op(mask, prev):
                found.append((col, name, line[:col] + new))
        seen = set()
        for col, name, newline in sorted(found, key=lambda f: (f[0], OPERATORS.index(f[1]), f[2])):
            if newline == line or newline in seen:
                continue
            seen.add(newline)
            result.append({"file": rel, "line": no, "op": name, "old": line, "new": newline,
                           "key": f"{rel}:{no}:{len(seen)}"})
        prev = mask
    return result


def source_files(paths, root=None):
    root = root or ROOT
    files = []
    for p in paths:
        path = (root / p).resolve()
        if path.is_dir():
            files += sorted(path.rglob("*.cpp"))
        elif path.suffix == ".cpp" and path.exists():
            files.append(path)
        else:
            sys.exit(f"mutate: {p}: no such folder or .cpp file")
    return sorted(set(files))


def all_mutants(paths, root=None):
    root = root or ROOT
    result = []
    for f in source_files(paths, root):
        rel = f.relative_to(root).as_posix()
        result += mutants_of_text(f.read_text(encoding="utf-8", errors="replace"), rel)
    return result


def pick(mutants, count, seed):
    """The same seed and candidates give the same mutants in the same order."""
    rng = random.Random(seed)
    chosen = list(mutants) if count <= 0 or count >= len(mutants) else rng.sample(mutants, count)
    if count <= 0 or count >= len(mutants):
        rng.shuffle(chosen)
    for i, m in enumerate(chosen, 1):
        m["id"] = i
    return chosen


def folder_of(m):
    return str(Path(m["file"]).parent)


def change_text(m):
    return f"`{m['old'].strip()}` → `{m['new'].strip()}`"


def named_mutants(text):
    """The mutants a report names, as ((file, old line, new line), line number): the `- `file:line` (op): change`
    lines of report.md and the table rows `| id | `file:line` op | change | ... |` of the notes.
    A `|` inside a table cell is written `\\|`."""
    found = set()
    change = re.compile(r"^`(.*)` → `(.*)`$")
    for line in text.splitlines():
        line = line.strip()
        m = re.match(r"^- `([^`:]+):(\d+)` \([\w-]+\): (.*)$", line)
        if m:
            c = change.match(m.group(3).strip())
            if c:
                found.add(((m.group(1), c.group(1), c.group(2)), int(m.group(2))))
            continue
        if not line.startswith("|"):
            continue
        cells = [c.strip().replace("\\|", "|") for c in re.split(r"(?<!\\)\|", line)[1:-1]]
        if len(cells) < 3:
            continue
        where = re.match(r"^`([^`:]+):(\d+)`", cells[1])
        c = change.match(cells[2])
        if where and c:
            found.add(((where.group(1), c.group(1), c.group(2)), int(where.group(2))))
    return found


# ---------------------------------------------------------------------------------------------
# Building and running one mutant


class Build:
    def __init__(self, cmake_dir, out_dir, index=0):
        self.dir = Path(cmake_dir).resolve()
        self.work = Path(out_dir) / ("mutate-work" if index == 0 else f"mutate-work-{index + 1}")
        self.work.mkdir(parents=True, exist_ok=True)
        self.note = self.work / "restore.json"
        cc = json.loads((self.dir / "compile_commands.json").read_text())
        self.commands = {str(Path(e["file"]).resolve()): e for e in cc}
        self.test_cache = {}

    def restore_leftover(self):
        """A run killed outright (SIGKILL, power) may have left a mutant object in place."""
        if self.note.exists():
            note = json.loads(self.note.read_text())
            obj, backup = Path(note["object"]), Path(note["backup"])
            if backup.exists():
                put_in_place(self, backup, obj, backup, note["library"])
                log(f"put back {obj.relative_to(self.dir)} left by an interrupted run")
            self.note.unlink()

    def entry(self, source):
        e = self.commands.get(str(source.resolve()))
        if e is None:
            raise KeyError(f"{source} is not in compile_commands.json")
        args = shlex.split(e["command"]) if "command" in e else list(e["arguments"])
        i = args.index("-o")
        return e, args, Path(e["directory"], args[i + 1]).resolve()

    def ninja_query(self, target):
        out = subprocess.run(["ninja", "-C", str(self.dir), "-t", "query", target],
                             capture_output=True, text=True).stdout
        outs, in_outputs = [], False
        for line in out.splitlines():
            if line.strip() == "outputs:":
                in_outputs = True
            elif in_outputs and line.startswith("    "):
                outs.append(line.strip())
        return outs

    def library_of(self, source):
        _, _, obj = self.entry(source)
        libs = [o for o in self.ninja_query(obj.relative_to(self.dir).as_posix()) if o.endswith(".a")]
        if len(libs) != 1:
            raise RuntimeError(f"{source}: not in exactly one library ({libs})")
        return libs[0]

    def tests_for(self, source):
        """The test binaries that link the library the source file is in."""
        _, _, obj = self.entry(source)
        rel = obj.relative_to(self.dir).as_posix()
        if rel not in self.test_cache:
            tests = set()
            for lib in self.ninja_query(rel):
                if lib.endswith(".a"):
                    for exe in self.ninja_query(lib):
                        if re.fullmatch(r"tests/[^/]+/zqn-tests-[A-Za-z0-9-]+", exe):
                            tests.add(exe)
            self.test_cache[rel] = sorted(tests)
        return self.test_cache[rel]

    def compile_mutant(self, source, text, out):
        e, args, _ = self.entry(source)
        tmpdir = Path(tempfile.mkdtemp(prefix="zqn-mutant-"))
        try:
            tmp = tmpdir / source.name
            tmp.write_text(text, encoding="utf-8")
            new = []
            skip = 0
            for k, a in enumerate(args):
                if skip:
                    skip -= 1
                    continue
                if k == 0 and Path(a).name == "ccache":
                    continue  # a mutant is never built twice; keep the shared cache clean
                if a in ("-MD", "-MMD"):
                    continue
                if a in ("-MT", "-MF", "-MQ"):
                    skip = 1
                    continue
                if a == "-o":
                    new += ["-o", str(out)]
                    skip = 1
                    continue
                if Path(e["directory"], a).resolve() == source.resolve() if not a.startswith("-") else False:
                    new.append(str(tmp))
                    continue
                new.append(a)
            # Quoted includes look beside the file first; the copy's folder has nothing else.
            # -O0 and no debug information: the mutant compiles three times as fast.
            new += ["-iquote", str(source.parent), "-O0", "-g0", "-w"]
            r = subprocess.run(new, cwd=e["directory"], capture_output=True, text=True)
            return r.returncode == 0, r.stderr
        finally:
            shutil.rmtree(tmpdir, ignore_errors=True)

    def ninja(self, targets, jobs=1):
        r = subprocess.run(["ninja", "-C", str(self.dir), f"-j{jobs}", *targets],
                           capture_output=True, text=True)
        return r.returncode == 0, r.stdout + r.stderr


def log(msg):
    print(f"mutate: {msg}", file=sys.stderr, flush=True)


def run_test(build, exe, timeout, exclude=(), fail_fast=True, include=None, per_test=None):
    """(True, seconds) when the binary passes; otherwise the reason (first failing test, crash,
    time-out) and the names of the failed tests."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    args = [str(build.dir / exe)]
    if per_test is None:
        args.append("--gtest_brief=1")
    if fail_fast:
        args.append("--gtest_fail_fast")
        env["GTEST_FAIL_FAST"] = "1"
    if include:
        args.append("--gtest_filter=" + ":".join(include))
    elif exclude:
        args.append("--gtest_filter=-" + ":".join(exclude))
    start = time.monotonic()
    p = subprocess.Popen(args, cwd=build.dir / Path(exe).parent, env=env, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, text=True, errors="replace",
                         start_new_session=True)
    try:
        out, _ = p.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        p.communicate()
        return f"{Path(exe).name}: time-out after {timeout:.0f} s", time.monotonic() - start, []
    except BaseException:
        os.killpg(p.pid, signal.SIGKILL)
        raise
    if per_test is not None:
        for name, ms in re.findall(r"^\[       OK \] ([\w/.]+) \((\d+) ms\)", out, re.M):
            per_test[name] = int(ms) / 1000.0
    if p.returncode == 0:
        return True, time.monotonic() - start, []
    failed = sorted(set(re.findall(r"^\[  FAILED  \] ([\w/.]+)", out, re.M)))
    why = failed[0] if failed else (f"signal {-p.returncode}" if p.returncode < 0 else f"exit {p.returncode}")
    return f"{Path(exe).name}: {why}", time.monotonic() - start, failed


def split(per_test, secs, parts=4, worth=8.0):
    """Tests of a slow binary in a few groups of about equal time, the longest first."""
    if secs < worth or len(per_test) < parts:
        return None
    groups = [[[], 0.0] for _ in range(parts)]
    for name, t in sorted(per_test.items(), key=lambda kv: -kv[1]):
        g = min(groups, key=lambda g: g[1])
        g[0].append(name)
        g[1] += t + 0.05
    return [g for g in groups if g[0]]


def baseline(build, tests, cache_file):
    """Each binary's time without mutants, and the tests that fail even then (JACK ones without
    a running JACK server), which are left out of every mutant's run."""
    known = json.loads(cache_file.read_text()) if cache_file.exists() else {}
    for exe in tests:
        if exe in known:
            continue
        exclude = []
        per_test = {}
        for _ in range(2):
            per_test.clear()
            ok, secs, failed = run_test(build, exe, 1800, exclude, fail_fast=False,
                                        per_test=per_test)
            if ok is True or not failed:
                break
            exclude += failed
        if ok is not True:
            log(f"{exe} fails without any mutant ({ok}); its mutants are not run")
            known[exe] = None
        else:
            known[exe] = {"secs": secs, "exclude": exclude, "groups": split(per_test, secs)}
            log(f"{exe}: {secs:.1f} s without mutants" +
                (f", leaving out {len(exclude)} tests that fail without them" if exclude else ""))
        cache_file.write_text(json.dumps(known, indent=1))
    return known


def run_binary(build, exe, known):
    """Runs one test binary against a mutant. A slow binary is mostly waiting on its own timers,
    so its tests are run as a few processes side by side, grouped by their times."""
    groups = known.get("groups") or [None]
    if len(groups) == 1:
        ok, _, _ = run_test(build, exe, max(20.0, 3 * known["secs"]), known["exclude"])
        return ok
    results = [None] * len(groups)

    def one(i):
        names, secs = groups[i]
        results[i] = run_test(build, exe, max(20.0, 3 * secs), include=names)[0]

    import threading
    threads = [threading.Thread(target=one, args=(i,)) for i in range(len(groups))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return next((r for r in results if r is not True), True)


def run_mutant(build, m, times, restore_state):
    source = SRC / m["file"]
    _, _, obj = build.entry(source)
    tests = [t for t in build.tests_for(source) if times.get(t) is not None and
             (ONLY_TESTS is None or Path(t).name in ONLY_TESTS)]
    original = source.read_text(encoding="utf-8")
    lines = original.split("\n")
    assert lines[m["line"] - 1] == m["old"], "source changed since the mutants were listed"
    lines[m["line"] - 1] = m["new"]
    t0 = time.monotonic()
    mutant_obj = build.work / "mutant.o"
    ok, err = build.compile_mutant(source, "\n".join(lines), mutant_obj)
    if not ok:
        first = next((l for l in err.splitlines() if "error" in l), err.strip()[:200])
        return {"status": "unbuildable", "why": first.strip()[:300], "secs": time.monotonic() - t0}
    backup = build.work / "original.o"
    shutil.copy2(obj, backup)
    lib = build.library_of(source)
    build.note.write_text(json.dumps({"object": str(obj), "backup": str(backup), "library": lib}))
    restore_state["pending"] = (obj, backup, lib)
    try:
        put_in_place(build, mutant_obj, obj, backup, lib)
        # The folder's own tests first, then the quickest: most mutants die in the first, and
        # the others need not even be linked.
        home = "tests/" + Path(m["file"]).parent.name + "/"
        order = sorted(tests, key=lambda t: (not t.startswith(home), times[t]["secs"]))
        for exe in order:
            linked, out = build.ninja([exe])
            if not linked:
                return {"status": "unbuildable", "why": "link: " + out.strip().splitlines()[-1][:300],
                        "secs": time.monotonic() - t0}
            ok = run_binary(build, exe, times[exe])
            if ok is not True:
                return {"status": "killed", "why": ok, "secs": time.monotonic() - t0}
        return {"status": "survived", "why": "", "tests": order, "secs": time.monotonic() - t0}
    finally:
        put_back(build, restore_state)


def put_in_place(build, new_obj, obj, backup, lib):
    """Puts an object file in place with the original's time stamp: ninja takes an object newer
    than its recorded dependencies for out of date and would compile the source over it. The
    library is removed instead, so ninja archives it again and relinks what uses it."""
    shutil.copyfile(new_obj, obj)
    st = backup.stat()
    os.utime(obj, ns=(st.st_atime_ns, st.st_mtime_ns))
    (build.dir / lib).unlink(missing_ok=True)


def put_back(build, restore_state):
    pending = restore_state.pop("pending", None)
    if pending:
        obj, backup, lib = pending
        put_in_place(build, backup, obj, backup, lib)
        if build.note.exists():
            build.note.unlink()


# ---------------------------------------------------------------------------------------------
# Report


def write_report(path, results, planned, elapsed, seed):
    by_folder = {}
    for r in results:
        f = by_folder.setdefault(folder_of(r), {"killed": 0, "survived": 0, "unbuildable": 0})
        f[r["status"]] += 1

    def score(d):
        n = d["killed"] + d["survived"]
        return f"{100.0 * d['killed'] / n:.1f} %" if n else "–"

    total = {k: sum(f[k] for f in by_folder.values()) for k in ("killed", "survived", "unbuildable")}
    built = [r for r in results if r["status"] != "unbuildable"]
    per = sum(r["secs"] for r in results) / len(results) if results else 0
    lines = ["# Mutation testing report", "",
             f"Seed {seed}; {len(results)} of {planned} mutants run in {elapsed / 60:.1f} min "
             f"({per:.1f} s a mutant on average, {len(built)} built).", "",
             "Score = killed / (killed + survived); unbuildable mutants are counted apart.", "",
             "| folder | killed | survived | unbuildable | score |", "|---|---|---|---|---|"]
    for folder in sorted(by_folder):
        d = by_folder[folder]
        lines.append(f"| {folder} | {d['killed']} | {d['survived']} | {d['unbuildable']} | {score(d)} |")
    lines.append(f"| **all** | {total['killed']} | {total['survived']} | {total['unbuildable']} | "
                 f"**{score(total)}** |")
    ops = {}
    for r in results:
        o = ops.setdefault(r["op"], {"killed": 0, "survived": 0, "unbuildable": 0})
        o[r["status"]] += 1
    lines += ["", "| operator | killed | survived | unbuildable | score |", "|---|---|---|---|---|"]
    for op in OPERATORS:
        if op in ops:
            d = ops[op]
            lines.append(f"| {op} | {d['killed']} | {d['survived']} | {d['unbuildable']} | {score(d)} |")
    lines += ["", "## Surviving mutants", ""]
    for r in sorted((r for r in results if r["status"] == "survived"),
                    key=lambda r: (r["file"], r["line"])):
        lines.append(f"- `{r['file']}:{r['line']}` ({r['op']}): {change_text(r)}")
    lines += ["", "## Unbuildable mutants", ""]
    for r in sorted((r for r in results if r["status"] == "unbuildable"),
                    key=lambda r: (r["file"], r["line"])):
        lines.append(f"- `{r['file']}:{r['line']}` ({r['op']}): {change_text(r)}")
    path.write_text("\n".join(lines) + "\n")


# ---------------------------------------------------------------------------------------------


def snapshot(tree, keep):
    """Copies the tree's files (committed or not, but not ignored) into a folder of the build
    directory, so that editing the tree during a long run changes nothing in it. Unchanged files
    keep their times, and the build there stays up to date."""
    names = subprocess.run(["git", "-C", str(ROOT), "ls-files", "-co", "--exclude-standard", "-z"],
                           capture_output=True, text=True, check=True).stdout.split("\0")
    wanted = {n for n in names if n and (ROOT / n).is_file()}
    tree.mkdir(parents=True, exist_ok=True)
    changed = 0
    for n in sorted(wanted):
        src, dst = ROOT / n, tree / n
        data = src.read_bytes()
        if dst.exists() and dst.read_bytes() == data:
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        dst.write_bytes(data)
        shutil.copymode(src, dst)
        changed += 1
    for f in tree.rglob("*"):
        rel = f.relative_to(tree).as_posix()
        if f.is_file() and rel not in wanted and not rel.startswith(keep + "/"):
            f.unlink()
    return changed


def configure(tree, cmake_dir):
    if not (cmake_dir / "build.ninja").exists():
        subprocess.run(["cmake", "-S", str(tree), "-B", str(cmake_dir), "-G", "Ninja",
                        "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DZQN_BENCH=OFF"], check=True)
    log("building the tests once (private build directory)")
    subprocess.run(["ninja", "-C", str(cmake_dir), "-j2"], check=True)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("paths", nargs="*", help="folders or .cpp files (default: %s)" % " ".join(DEFAULT_PATHS))
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=400, help="mutants to run; 0 = every candidate")
    ap.add_argument("--list", action="store_true", help="print the chosen mutants and stop")
    ap.add_argument("--build-dir", default=str(ROOT / "build-mutate"))
    ap.add_argument("--resume", action="store_true", help="go on with the results already recorded")
    ap.add_argument("--ops", default=",".join(OPERATORS), help="operators to use, comma-separated")
    ap.add_argument("--until", help="stop starting new mutants after this time (HH:MM, local)")
    ap.add_argument("--jobs", type=int, default=1,
                    help="mutants at a time, each in a build directory of its own (default 1)")
    ap.add_argument("--tests", help="run only these test binaries (e.g. zqn-tests-device,zqn-tests-mpt):"
                    " quick checks of whether new tests kill known survivors")
    ap.add_argument("--keep-snapshot", action="store_true",
                    help="go on with the snapshot as it is (with --resume: the same tests throughout)")
    ap.add_argument("--ids", help="run only these mutants of the chosen list (e.g. 3,17,40)")
    ap.add_argument("--again", metavar="FILE",
                    help="run again the mutants a table of survivors names (a report.md or the"
                    " list in docs/reliability.md), found by file and change, wherever their"
                    " lines have moved since")
    ap.add_argument("--in-place", action="store_true",
                    help="use BUILD as a build directory of this tree itself, not of a snapshot")
    ap.add_argument("--self-test", action="store_true", help="run the tool's own tests and stop")
    a = ap.parse_args(argv)

    if a.self_test:
        import unittest
        sys.path.insert(0, str(Path(__file__).resolve().parent))
        import mutate_test  # noqa: E402
        r = unittest.TextTestRunner(verbosity=1).run(
            unittest.defaultTestLoader.loadTestsFromModule(mutate_test))
        return 0 if r.wasSuccessful() else 1

    global SRC, ONLY_TESTS
    if a.tests:
        ONLY_TESTS = set(a.tests.split(","))
    out_dir = Path(a.build_dir).resolve()
    if a.in_place:
        cmake_dir = out_dir
    else:
        # The build directory sits in the snapshot as this one sits in the tree, so the compiler
        # sees the same relative paths and the shared compiler cache serves the first build.
        SRC = out_dir / "tree"
        cmake_dir = SRC / out_dir.name
        if not a.list and not a.keep_snapshot:
            log(f"snapshot of the tree in {SRC}: {snapshot(SRC, out_dir.name)} files changed")
    ops = set(a.ops.split(","))
    # A listing names the mutants of the tree as a run would snapshot it, unless the run is to
    # keep the snapshot it has.
    root = SRC if SRC.exists() and (not a.list or a.keep_snapshot) else ROOT
    candidates = [m for m in all_mutants(a.paths or DEFAULT_PATHS, root) if m["op"] in ops]
    chosen = pick(candidates, a.count, a.seed)
    if a.ids:
        ids = {int(i) for i in a.ids.split(",")}
        chosen = [m for m in chosen if m["id"] in ids]
    if a.again:
        wanted = named_mutants(Path(a.again).read_text())
        chosen = []
        for key, line in sorted(wanted):
            # The same change may be a candidate on several lines: the one nearest to where the
            # report saw it is the one it names.
            same = [m for m in candidates if (m["file"], m["old"].strip(), m["new"].strip()) == key]
            if same:
                chosen.append(min(same, key=lambda m: abs(m["line"] - line)))
        chosen = list({m["key"]: m for m in chosen}.values())
        for i, m in enumerate(chosen, 1):
            m["id"] = i
        missing = len(wanted) - len(chosen)
        if missing:
            log(f"{missing} of the {len(wanted)} named mutants are no longer candidates"
                " (their lines changed or went)")
    if a.list:
        for m in chosen:
            print(f"{m['id']:4} {m['file']}:{m['line']} [{m['op']}] {change_text(m)}")
        print(f"{len(chosen)} of {len(candidates)} candidates", file=sys.stderr)
        return 0

    try:
        os.nice(10)  # the machine is shared; builds and test runs of others come first
    except OSError:
        pass
    jobs = max(1, a.jobs)
    if a.in_place:
        jobs = 1
    builds = []
    for k in range(jobs):
        # Each worker has a build directory of its own beside the first.
        d = cmake_dir if k == 0 else cmake_dir.with_name(f"{cmake_dir.name}-{k + 1}")
        if not a.in_place:
            configure(SRC, d)
        b = Build(d, out_dir, k)
        b.restore_leftover()
        builds.append(b)
    build = builds[0]
    results_file = out_dir / "mutate-results.jsonl"
    wall_file = out_dir / "mutate-wall.json"
    done = {}
    prior_wall = 0.0
    if a.resume and results_file.exists():
        for line in results_file.read_text().splitlines():
            r = json.loads(line)
            done[r["key"]] = r
        if wall_file.exists():
            prior_wall = json.loads(wall_file.read_text()).get("secs", 0.0)
    else:
        results_file.unlink(missing_ok=True)
        wall_file.unlink(missing_ok=True)

    all_tests = sorted({t for src in {m["file"] for m in chosen} for t in build.tests_for(SRC / src)
                        if ONLY_TESTS is None or Path(t).name in ONLY_TESTS})
    base_file = out_dir / "mutate-baseline.json"
    if not a.resume and base_file.exists():
        base_file.unlink()  # the tests may have changed since
    times = baseline(build, all_tests, base_file)
    log(f"{len(chosen)} of {len(candidates)} candidates, seed {a.seed}; "
        f"{len(done)} already recorded; {jobs} worker(s)")

    deadline = None
    if a.until:
        hh, mm = map(int, a.until.split(":"))
        now = time.localtime()
        deadline = time.mktime((now.tm_year, now.tm_mon, now.tm_mday, hh, mm, 0, 0, 0, -1))

    import queue
    import threading
    results = [done[m["key"]] for m in chosen if m["key"] in done]
    todo = queue.Queue()
    for m in chosen:
        if m["key"] not in done:
            todo.put(m)
    stop = threading.Event()
    interrupted = threading.Event()
    lock = threading.Lock()
    start = time.monotonic()

    def wall():
        return prior_wall + time.monotonic() - start

    def worker(b):
        restore_state = {}
        try:
            while not stop.is_set():
                if deadline and time.time() > deadline:
                    if not stop.is_set():
                        log("time is up; stopping (go on with --resume)")
                    stop.set()
                    break
                try:
                    m = todo.get_nowait()
                except queue.Empty:
                    break
                r = dict(m)
                r.update(run_mutant(b, m, times, restore_state))
                if interrupted.is_set():
                    break  # its compiler or ninja may have had the Ctrl+C too; run it again later
                with lock:
                    results.append(r)
                    with results_file.open("a") as f:
                        f.write(json.dumps(r) + "\n")
                    wall_file.write_text(json.dumps({"secs": wall()}))
                    log(f"[{len(results)}/{len(chosen)}] {r['status']:11} {m['file']}:{m['line']} "
                        f"{m['op']} ({r['secs']:.0f} s) {r['why']}")
                    write_report(out_dir / "report.md", results, len(chosen), wall(), a.seed)
        finally:
            put_back(b, restore_state)

    def on_signal(sig, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, on_signal)
    threads = [threading.Thread(target=worker, args=(b,), daemon=True) for b in builds]
    try:
        for t in threads:
            t.start()
        for t in threads:
            while t.is_alive():
                t.join(0.5)
    except KeyboardInterrupt:
        log("interrupted; the workers put their original objects back after their current mutant")
        interrupted.set()
        stop.set()
        for t in threads:
            t.join()
    finally:
        for b in builds:
            # The test binaries were last linked with a mutant; link them with the originals.
            ok, out = b.ninja(all_tests, jobs=2)
            if not ok:
                log(f"relinking {b.dir} with the original objects failed:\n" + out)
            again = b.ninja(all_tests, jobs=1)[1]
            if re.search(r"Building|Linking", again):
                log(f"warning: {b.dir} was not up to date after the run:\n" + again)
    write_report(out_dir / "report.md", results, len(chosen), wall(), a.seed)
    log(f"report: {out_dir / 'report.md'}")
    return 130 if interrupted.is_set() else 0


if __name__ == "__main__":
    sys.exit(main())
