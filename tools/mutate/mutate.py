#!/usr/bin/python3
"""Mutation measure of the native suites: how many small faults in the portable
core do the native tests notice?  Run through scripts/mutate.sh (niced).

Operators (one mutant = one change on one line; comments, strings, character
literals, preprocessor lines and static_asserts are never touched):
  rel    relational operators  ' < ' <-> ' <= ',  ' > ' <-> ' >= ',  '==' <-> '!='
  arith  ' + ' <-> ' - ',  ' += ' <-> ' -= ',  ' * ' -> ' / ' when the right
         operand is a non-zero literal or a kConstant (no division by zero)
  const  integer literal N -> N+1 and N -> N-1 (0 -> 1 only), base and suffix kept
  stmt   a whole one-line call, assignment or increment -> '(void)0;'
  cond   'if (c)' -> 'if (true)' and 'if (false)',  ' && ' <-> ' || '
  swap   f(a, b) -> f(b, a) for two plain arguments (not min/max/swap)
Operators that need spaces around them leave templates, '<<', '->' alone.

Files: the portable core's .cpp files (image/, the palette model files, report/,
the native platform files, cli/ without its Win32 files).  Headers are not
mutated: a header change rebuilds most of the tree.

Each mutant is written into the worktree, built incrementally with
'cmake --build build/native -j2' and tested with ctest --stop-on-failure in
tiers: tests that killed earlier mutants of the same file (this run and the
TSVs already in build/mutate/), then tests of the files that include the
mutated file's own headers (all tests/cli suites for cli/), then the other fast
tests, then the slow ones (baseline >= 5 s).  DesktopEntry.* is never run: it
checks the desktop-entry script, no core code.  A tier that runs over three
times its baseline estimate plus --timeout seconds is stopped: timed out,
which counts as killed.  A mutant that does not compile is excluded from the
kill rate.  The file is restored byte for byte after every mutant, also on
Ctrl+C, and checked against git.

With --by-coverage, a mutant runs only the tests that run its line: a coverage
build (build/coverage, -O0 --coverage) runs each test alone once per tree and
gcov says which core lines it ran (build/mutate/coverage.json).  A line no test
runs survives without a test run.  Lines the compiler counts as no code (a
namespace-scope constant, a declaration alone) and case labels, which move other
values too, run the tiers as above; tests that fork run for every mutant, as
what their children run is not counted.  Survivors cost seconds, not the whole
suite; use the full tiers for a final figure when in doubt.

A mutant that survives the native build gets a second run in the sanitizer
build (build/sanitize, when it is configured; --no-sanitize skips it): a read
past a buffer or a signed overflow that the plain build lets pass fails there.

Mutants shown equivalent (no input can tell them from the original) are listed
in tools/mutate/equivalent.tsv, one per row: the file, the line before and after
the change (stripped), and why.  They are matched by text, not by id, so that
the list survives edits elsewhere; they are not run and not in the kill rate.

The killer column of the TSV is the first failing test (ctest stops there).
--every-killer runs every test on every mutant instead (about four times
slower) and lists every failing test; the end of the run then names the tests
that kill no mutant of the sample alone.

Usage: scripts/mutate.sh [--files GLOB[,GLOB]] [--sample N --seed S]
                         [--ids I,J] [--again TSV] [--list] [--timeout T]
                         [--skip-baseline] [--no-sanitize] [--every-killer]
                         [--by-coverage]
Writes build/mutate/results.tsv (or --out), one row per mutant run.
"""
import argparse
import fnmatch
import glob
import hashlib
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
from collections import Counter, defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.join(ROOT, 'build', 'native')
SANITIZE = os.path.join(ROOT, 'build', 'sanitize')
COVERAGE = os.path.join(ROOT, 'build', 'coverage')
EQUIVALENT = os.path.join(ROOT, 'tools', 'mutate', 'equivalent.tsv')
OUT_DIR = os.path.join(ROOT, 'build', 'mutate')
PALETTE_MODEL = ['color_table', 'color_text', 'color_lists', 'palette_text', 'palette_formats',
                 'gradient', 'rearrange', 'table_history', 'grid_layout']
WIN32_ONLY = {'image/dib_image_draw.cpp', 'cli/host_win32.cpp', 'cli/text_encoding_win32.cpp'}
NEVER_RUN = ('DesktopEntry.',)
SLOW_SECONDS = 5.0

# ---------------------------------------------------------------- enumeration


def core_files():
    files = glob.glob('image/*.cpp', root_dir=ROOT) + glob.glob('report/*.cpp', root_dir=ROOT)
    files += ['palette/%s.cpp' % name for name in PALETTE_MODEL]
    files += ['platform/safe_file_writer_posix.cpp', 'platform/native_win32.cpp']
    files += glob.glob('cli/*.cpp', root_dir=ROOT)
    return sorted(f for f in files if f not in WIN32_ONLY)


def code_only(lines):
    """Each line with comments and literal contents blanked, columns kept."""
    out, in_block = [], False
    for line in lines:
        chars, i, n = list(line), 0, len(line)
        while i < n:
            if in_block:
                end = line.find('*/', i)
                stop = n if end < 0 else end + 2
                chars[i:stop] = ' ' * (stop - i)
                in_block, i = end < 0, stop
            elif line.startswith('//', i):
                chars[i:] = ' ' * (n - i)
                break
            elif line.startswith('/*', i):
                in_block = True
            elif line[i] in '"\'':
                j = i + 1
                while j < n and line[j] != line[i]:
                    j += 2 if line[j] == '\\' else 1
                chars[i:j + 1] = ' ' * (min(j + 1, n) - i)
                i = j + 1
            else:
                i += 1
        out.append(''.join(chars).rstrip('\n'))
    return out


KEYWORDS = {'return', 'break', 'continue', 'goto', 'case', 'default', 'using', 'typedef', 'throw',
            'delete', 'else', 'do', 'namespace', 'if', 'for', 'while', 'switch', 'sizeof', 'new',
            'const', 'static', 'auto', 'unsigned', 'int', 'bool', 'char', 'void', 'static_cast',
            'reinterpret_cast', 'const_cast', 'decltype', 'alignof', 'operator', 'template'}
COMMUTATIVE = {'min', 'max', 'swap'}
PLAIN = r'[A-Za-z_0-9][\w.:>-]*'
STATEMENT = re.compile(r'(\+\+|--)?[A-Za-z_]\w*((\.|->|::)[A-Za-z_]\w*|\[[^\]]*\])*\s*'
                       r'(\(|=[^=]|[-+*/|&^]=|<<=|>>=|\+\+|--)')
LITERAL = re.compile(r'(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)([uUlL]*)(?![\w.])')


def bump(text, delta):
    if text.lower().startswith('0x'):
        return '0x%0*X' % (len(text) - 2, int(text, 16) + delta)
    if len(text) > 1 and text.startswith('0'):  # octal, as file modes are written
        return '0%o' % (int(text, 8) + delta)
    return str(int(text) + delta)


def closing_paren(code, start):
    depth = 0
    for i in range(start, len(code)):
        depth += {'(': 1, ')': -1}.get(code[i], 0)
        if depth == 0:
            return i
    return -1


def line_mutants(code, prev, has_text):
    """(column, original text, replacement, operator) for one line of code."""
    found = []
    for old, new in ((' < ', ' <= '), (' <= ', ' < '), (' > ', ' >= '), (' >= ', ' > '),
                     ('==', '!='), ('!=', '==')):
        found += [(m.start(), old, new, 'rel') for m in re.finditer(re.escape(old), code)]
    # '+' on a line with a string literal is mostly concatenation: '-' would not compile.
    for old, new in () if has_text else ((' + ', ' - '), (' - ', ' + '), (' += ', ' -= '), (' -= ', ' += ')):
        found += [(m.start(), old, new, 'arith') for m in re.finditer(re.escape(old), code)]
    for m in re.finditer(r' \* (?=([1-9]\d*|0[xX][0-9A-Fa-f]*[1-9A-Fa-f][0-9A-Fa-f]*|k[A-Z]\w*)\b)', code):
        found.append((m.start(), ' * ', ' / ', 'arith'))
    for m in LITERAL.finditer(code):
        value = int(m.group(1), 16 if m.group(1).lower().startswith('0x') else 10)
        deltas = (1,) if value == 0 else (1, -1)
        found += [(m.start(1), m.group(1), bump(m.group(1), d), 'const') for d in deltas]
    for m in re.finditer(r'\bif\s*\(', code):
        end = closing_paren(code, m.end() - 1)
        cond = code[m.end():end].strip() if end > 0 else ''
        if cond and cond not in ('true', 'false'):
            text = code[m.start():end + 1]
            found += [(m.start(), text, 'if (%s)' % v, 'cond') for v in ('true', 'false')]
    for old, new in ((' && ', ' || '), (' || ', ' && ')):
        found += [(m.start(), old, new, 'cond') for m in re.finditer(re.escape(old), code)]
    for m in re.finditer(r'\b([A-Za-z_]\w*)\(\s*(%s)\s*,\s*(%s)\s*\)' % (PLAIN, PLAIN), code):
        name, a, b = m.groups()
        if name not in KEYWORDS | COMMUTATIVE and a != b:
            found.append((m.start(), m.group(0), '%s(%s, %s)' % (name, b, a), 'swap'))
    body = code.strip()
    prev_ok = (prev.endswith((';', '{', '}')) or prev == 'else'
               or re.match(r'(\}\s*)?(else\s+)?(if|for|while)\b.*\)$', prev))
    first = re.match(r'\w+', body.lstrip('+-'))
    if (prev_ok and body.endswith(';') and STATEMENT.match(body) and first
            and first.group(0) not in KEYWORDS and body.count('(') == body.count(')')):
        found.append((code.index(body), body, '(void)0;', 'stmt'))
    return found


def enumerate_mutants(files):
    mutants = []
    for path in files:
        with open(os.path.join(ROOT, path), encoding='utf-8') as f:
            lines = f.readlines()
        prev = ''
        for number, code in enumerate(code_only(lines), 1):
            stripped = code.strip()
            if not stripped:
                continue
            if not stripped.startswith('#') and 'static_assert' not in code:
                for col, old, new, op in sorted(line_mutants(code, prev, '"' in lines[number - 1])):
                    text = lines[number - 1][col:col + len(old)]
                    if op in ('stmt', 'cond') or text == old:  # whole-code spans may hold literals
                        mutants.append((path, number, col, text, new, op))
            prev = stripped
    return [(i,) + m for i, m in enumerate(mutants)]


def mutated_line(text, col, old, new):
    return text[:col] + new + text[col + len(old):]

# ---------------------------------------------------------------- running


def run(cmd, limit=None):
    """Runs cmd in a process group of its own; returns (rc or None on time-out, output)."""
    child = subprocess.Popen(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             text=True, errors='replace', start_new_session=True)
    try:
        out, _ = child.communicate(timeout=limit)
        return child.returncode, out
    except subprocess.TimeoutExpired:
        return None, ''
    finally:
        if child.poll() is None:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()


def build(where=BUILD):
    return run(['cmake', '--build', where, '-j2'])


def test_costs(where=BUILD):
    names = run(['ctest', '--test-dir', where, '-N'])[1]
    tests = [t for t in re.findall(r'Test +#\d+: (\S+)', names) if not t.startswith(NEVER_RUN)]
    costs = {}
    path = os.path.join(where, 'Testing', 'Temporary', 'CTestCostData.txt')
    if os.path.exists(path):
        for row in open(path).read().split('---')[0].splitlines():
            parts = row.split()
            if len(parts) == 3:
                costs[parts[0]] = float(parts[2])
    return {t: costs.get(t, 1.0) for t in tests}


def suites_by_test_file():
    """Test file -> (its project includes, its suite names)."""
    table = {}
    for path in glob.glob('tests/native/*.cpp', root_dir=ROOT) + glob.glob('tests/cli/*.cpp', root_dir=ROOT):
        text = open(os.path.join(ROOT, path), encoding='utf-8').read()
        includes = set(re.findall(r'^#include "([\w/]+\.h)"', text, re.M))
        suites = set(re.findall(r'^TEST(?:_F|_P)?\(\s*(\w+)', text, re.M))
        table[path] = (includes, suites)
    return table


def coverage_map(tests):
    """{file: {line: [tests that run it]}} over the lines the compiler counts as code, from a
    coverage build run test by test; kept in build/mutate/coverage.json for the tree it was
    made from (HEAD and any uncommitted change)."""
    tree = run(['git', 'rev-parse', 'HEAD'])[1].strip() + hashlib.sha1(
        run(['git', 'diff', 'HEAD'])[1].encode()).hexdigest()
    cache = os.path.join(OUT_DIR, 'coverage.json')
    if os.path.exists(cache):
        data = json.load(open(cache, encoding='utf-8'))
        if data['tree'] == tree and set(data['tests']) >= set(tests):
            return data['lines']
    if not os.path.exists(os.path.join(COVERAGE, 'build.ninja')):
        flags = '-O0 --coverage'
        run(['cmake', '-S', ROOT, '-B', COVERAGE, '-G', 'Ninja', '-DCMAKE_BUILD_TYPE=Debug',
             '-DCMAKE_CXX_FLAGS=' + flags, '-DCMAKE_C_FLAGS=' + flags, '-DCMAKE_EXE_LINKER_FLAGS=--coverage',
             '-DCMAKE_SHARED_LINKER_FLAGS=--coverage'])
    print('coverage: building and running %d tests one by one ...' % len(tests), flush=True)
    if build(COVERAGE)[0] != 0:
        sys.exit('mutate: the coverage build fails')
    objects = os.path.join(COVERAGE, 'CMakeFiles')  # the core library's and korin-cli's
    core = set(core_files())
    lines = defaultdict(lambda: defaultdict(list))
    for test in tests:
        for old in glob.glob(os.path.join(objects, '**', '*.gcda'), recursive=True):
            os.remove(old)
        if run(['ctest', '--test-dir', COVERAGE, '-R', '^%s$' % re.escape(test)])[0] != 0:
            print('coverage: %s fails in the coverage build' % test, flush=True)
        counted = glob.glob(os.path.join(objects, '**', '*.gcda'), recursive=True)
        out = run(['gcov', '--json-format', '--stdout'] + counted)[1] if counted else ''
        decoder, at = json.JSONDecoder(), 0
        while True:
            at = out.find('{', at)
            if at < 0:
                break
            report, at = decoder.raw_decode(out, at)
            for source in report.get('files', []):
                path = os.path.relpath(source['file'], ROOT)
                if path in core:
                    for line in source['lines']:
                        ran = lines[path][str(line['line_number'])]
                        if line['count'] and test not in ran:
                            ran.append(test)
    # Lines that are code but that no test runs are kept, with no test.
    os.makedirs(OUT_DIR, exist_ok=True)
    json.dump({'tree': tree, 'tests': tests, 'lines': lines}, open(cache, 'w', encoding='utf-8'))
    return json.loads(json.dumps(lines))


def forking_tests(costs):
    """Tests that fork, themselves or through a helper of their file: what their children run
    is not counted, so they run for every mutant."""
    names = set()
    for path in glob.glob('tests/native/*.cpp', root_dir=ROOT) + glob.glob('tests/cli/*_test.cpp', root_dir=ROOT):
        text = open(os.path.join(ROOT, path), encoding='utf-8').read()
        # Top-level definitions: a line at column 0 that opens a test or a function.
        heads = list(re.finditer(r'^(?:TEST(?:_F|_P)?\(\s*(\w+)\s*,\s*(\w+)\s*\)|[\w:<>,*& ]*?\b(\w+)\([^;]*?\)\s*$)',
                                 text, re.M))
        bodies = [(h, text[h.end():heads[i + 1].start() if i + 1 < len(heads) else len(text)])
                  for i, h in enumerate(heads)]
        helpers = {h.group(3) for h, body in bodies if h.group(3) and 'fork()' in body}
        for h, body in bodies:
            if h.group(1) and ('fork()' in body or any(re.search(r'\b%s\(' % f, body) for f in helpers)):
                names.add(h.group(1) + '.' + h.group(2))
    # And entries that run such tests under another name (a gtest filter in their command).
    listed = json.loads(run(['ctest', '--test-dir', BUILD, '--show-only=json-v1'])[1] or '{}')
    for test in listed.get('tests', []):
        for arg in test.get('command', []):
            if arg.startswith('--gtest_filter='):
                patterns = arg.split('=', 1)[1].split('-')[0].split(':')
                if any(fnmatch.fnmatchcase(n, p) for n in names for p in patterns if p):
                    names.add(test['name'])
    return {t for t in costs if t in names}


def own_headers(path):
    """The first project header a .cpp includes and those sharing its name's first word."""
    text = open(os.path.join(ROOT, path), encoding='utf-8').read()
    includes = re.findall(r'^#include "([\w/]+\.h)"', text, re.M)
    word = os.path.basename(path).split('_')[0]
    return set(includes[:1]) | {h for h in includes if os.path.basename(h).startswith(word + '_')}


def tiers_for(path, costs, test_files, killers):
    suite = lambda name: name.split('.')[0]
    related = set()
    for test_file, (includes, suites) in test_files.items():
        if (path.startswith('cli/') and test_file.startswith('tests/cli/')) or includes & own_headers(path):
            related |= suites
    fast = [t for t in costs if costs[t] < SLOW_SECONDS]
    tiers = [[t for t, _ in killers[path].most_common() if t in costs],
             [t for t in fast if suite(t) in related], fast, list(costs)]
    seen, result = set(), []
    for tier in tiers:
        tier = [t for t in tier if t not in seen]
        seen |= set(tier)
        if tier:
            result.append(tier)
    return result


def run_tests(tiers, costs, timeout, where=BUILD, every=False):
    """('survived'|'killed'|'timeout', the first failing test, or with every all of them, ';'-separated)."""
    for tier in tiers:
        tier = [t for t in tier if t in costs]
        if not tier:
            continue
        estimate = sum(costs[t] for t in tier) / 2 + max(costs[t] for t in tier)
        pattern = '^(%s)$' % '|'.join(re.escape(t) for t in tier)
        stop = [] if every else ['--stop-on-failure']
        rc, out = run(['ctest', '--test-dir', where, '-j2', '--timeout', str(timeout), '-R', pattern] + stop,
                      limit=3 * estimate + timeout)
        if rc is None:
            return 'timeout', ''
        # A test that skips itself (no corpus, or not in this build) is no kill.
        failed = [f for f in re.findall(r'Test +#\d+: (\S+) .*?\*\*\*(\w+)', out) if f[1] != 'Skipped']
        if failed:
            return ('timeout' if failed[0][1] == 'Timeout' else 'killed'), ';'.join(f[0] for f in failed[:None if every else 1])
        if rc != 0:
            return 'killed', '?'
    return 'survived', ''


def restore(path, original):
    blocked = signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT, signal.SIGTERM})
    try:
        with open(os.path.join(ROOT, path), 'wb') as f:
            f.write(original)
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, blocked)
    same = open(os.path.join(ROOT, path), 'rb').read() == original
    if not same or run(['git', 'diff', '--quiet', '--', path])[0] != 0:
        sys.exit('mutate: %s was not restored; check it with git diff' % path)


def run_mutant(mutant, tiers, costs, timeout, sanitize_costs=None, every=False):
    _, path, number, col, old, new, _ = mutant
    full = os.path.join(ROOT, path)
    original = open(full, 'rb').read()
    lines = original.decode('utf-8').splitlines(keepends=True)
    lines[number - 1] = mutated_line(lines[number - 1], col, old, new)
    try:
        with open(full, 'wb') as f:
            f.write(''.join(lines).encode('utf-8'))
        rc, out = build()
        if rc != 0:
            return ('uncompiled', '') if re.search(r'error:|undefined reference', out) else ('killed', 'build')
        status, killer = run_tests(tiers, costs, timeout, every=every)
        if status != 'survived' or not sanitize_costs:
            return status, killer
        if build(SANITIZE)[0] != 0:
            return 'killed', 'build'
        status, killer = run_tests(tiers, sanitize_costs, timeout, SANITIZE, every)
        return status, ';'.join('sanitize:' + k for k in killer.split(';') if k)
    finally:
        restore(path, original)


def equivalents():
    """(file, line before, line after) of the mutants shown equivalent."""
    found = set()
    if os.path.exists(EQUIVALENT):
        for row in open(EQUIVALENT, encoding='utf-8').read().splitlines():
            cells = row.split('\t')
            if len(cells) == 4 and not row.startswith('#'):
                found.add(tuple(cells[:3]))
    return found


_LINES = {}


def lines_of(path):
    """The lines of a core file as committed (every mutant is restored before it is read again)."""
    if path not in _LINES:
        _LINES[path] = open(os.path.join(ROOT, path), encoding='utf-8').read().splitlines()
    return _LINES[path]


def text_key(mutant):
    _, path, number, col, old, new, _ = mutant
    text = lines_of(path)[number - 1]
    return path, text.strip(), mutated_line(text, col, old, new).strip()


def previous_killers(out_path):
    killers = defaultdict(Counter)
    for path in glob.glob(os.path.join(OUT_DIR, '*.tsv')):
        if os.path.abspath(path) == os.path.abspath(out_path):
            continue
        for row in open(path, encoding='utf-8').read().splitlines()[1:]:
            cells = row.split('\t')
            if len(cells) >= 10 and cells[7] == 'killed' and cells[9] not in ('', '?', 'build'):
                for killer in cells[9].split(';'):
                    killers[cells[1]][killer.replace('sanitize:', '')] += 1
    return killers


def describe(mutant):
    _, path, number, col, old, new, _ = mutant
    text = lines_of(path)[number - 1]
    return '%s:%d: %s -> %s' % (path, number, text.strip(), mutated_line(text, col, old, new).strip())


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--files', help='comma-separated globs of core files, e.g. "image/png_*"')
    parser.add_argument('--sample', type=int, help='run N mutants picked by --seed')
    parser.add_argument('--seed', type=int, default=1)
    parser.add_argument('--ids', help='run only these mutant ids (comma-separated)')
    parser.add_argument('--again', help='run the survivors of an earlier TSV again (matched by place and text: ids '
                                            'shift when the files change)')
    parser.add_argument('--list', action='store_true', help='print the mutants, run nothing')
    parser.add_argument('--timeout', type=int, default=30, help='seconds over a tier estimate before time-out')
    parser.add_argument('--skip-baseline', action='store_true', help='trust that the suites pass unmutated')
    parser.add_argument('--no-sanitize', action='store_true', help='no second run of survivors under the sanitizers')
    parser.add_argument('--every-killer', action='store_true',
                        help='run every test on every mutant and name the tests that kill none alone')
    parser.add_argument('--by-coverage', action='store_true',
                        help='run only the tests that run the mutated line (a coverage build, test by test, '
                             'kept per tree); lines no test runs survive unrun')
    parser.add_argument('--out', default=os.path.join(OUT_DIR, 'results.tsv'))
    args = parser.parse_args()

    files = core_files()
    if args.files:
        globs = args.files.split(',')
        files = [f for f in files if any(fnmatch.fnmatch(f, g) for g in globs)]
    mutants = enumerate_mutants(files)
    total = len(mutants)
    if args.ids:
        wanted = {int(i) for i in args.ids.split(',')}
        mutants = [m for m in mutants if m[0] in wanted]
    if args.again:
        rows = [r.split('\t') for r in open(args.again, encoding='utf-8').read().splitlines()[1:]]
        wanted = {(r[1], int(r[2]), int(r[3]), r[5], r[6]) for r in rows if len(r) >= 8 and r[7] == 'survived'}
        mutants = [m for m in mutants if (m[1], m[2], m[3], m[4], m[5]) in wanted]
        if len(mutants) < len(wanted):
            print('%d survivors of %s are no longer where they were (their line changed)'
                  % (len(wanted) - len(mutants), args.again))
    if args.sample is not None and args.sample < len(mutants):
        mutants = sorted(random.Random(args.seed).sample(mutants, args.sample), key=lambda m: m[0])
    shown = equivalents()
    # A row names its line by text: where that text stands twice, it covers both.
    for path, before in sorted({(p, b) for p, b, _ in shown if p in files}):
        lines = [t.strip() for t in open(os.path.join(ROOT, path), encoding='utf-8').read().splitlines()]
        if lines.count(before) != 1:
            print('equivalent.tsv: %s: %d lines read "%s"' % (path, lines.count(before), before))
    equivalent = [m for m in mutants if text_key(m) in shown]
    mutants = [m for m in mutants if text_key(m) not in shown]
    if args.list:
        for m in mutants:
            print('%5d %-6s %s' % (m[0], m[6], describe(m)))
        print('%d of %d mutants in %d files, %d more shown equivalent'
              % (len(mutants), total, len(files), len(equivalent)))
        return 0

    dirty = run(['git', 'status', '--porcelain', '--'] + sorted({m[1] for m in mutants}))[1]
    if dirty.strip():
        sys.exit('mutate: commit or stash these first, they are restored from git:\n' + dirty)
    # Also when started in the background, where SIGINT comes ignored.
    for number in (signal.SIGINT, signal.SIGTERM):
        signal.signal(number, signal.default_int_handler)
    if build()[0] != 0:
        sys.exit('mutate: the unmutated build fails')
    if not args.skip_baseline:
        print('baseline: every native suite, unmutated ...', flush=True)
        if run(['ctest', '--test-dir', BUILD, '-j2', '-E', '^(%s)' % '|'.join(NEVER_RUN)])[0] != 0:
            sys.exit('mutate: the native suites fail unmutated')
    costs, test_files = test_costs(), suites_by_test_file()
    sanitize_costs = None
    if not args.no_sanitize and os.path.exists(os.path.join(SANITIZE, 'build.ninja')):
        if build(SANITIZE)[0] != 0:
            sys.exit('mutate: the unmutated sanitizer build fails')
        sanitize_costs = test_costs(SANITIZE)
        os.environ.setdefault('ASAN_OPTIONS', 'detect_leaks=1:abort_on_error=1')
        os.environ.setdefault('UBSAN_OPTIONS', 'print_stacktrace=1:halt_on_error=1')
    covered = coverage_map(sorted(costs)) if args.by_coverage else None
    forking = forking_tests(costs)
    killers = previous_killers(args.out)
    os.makedirs(os.path.dirname(args.out), exist_ok=True)
    counts, survivors, first_kills, start = Counter(), [], Counter(), time.time()
    kills, alone = Counter(), Counter()
    with open(args.out, 'w', encoding='utf-8') as tsv:
        tsv.write('id\tfile\tline\tcolumn\toperator\toriginal\tmutated\tstatus\tseconds\tkiller\n')
        try:
            for done, mutant in enumerate(mutants, 1):
                began = time.time()
                tiers = [list(costs)] if args.every_killer else tiers_for(mutant[1], costs, test_files, killers)
                ran = covered.get(mutant[1], {}).get(str(mutant[2])) if covered else None
                # A case label changes where other values go, not only its own line.
                if ran is not None and not re.match(r'\s*(case\b|default\s*:)', lines_of(mutant[1])[mutant[2] - 1]):
                    tiers = [[t for t in tier if t in ran or t in forking] for tier in tiers]
                status, killer = run_mutant(mutant, tiers, costs, args.timeout, sanitize_costs, args.every_killer)
                named = [k.replace('sanitize:', '') for k in killer.split(';') if k not in ('', '?', 'build')]
                if status == 'killed':
                    for name in named:
                        killers[mutant[1]][name] += 1
                kills.update(named)
                if len(named) == 1:
                    alone[named[0]] += 1
                counts[status] += 1
                if status == 'survived':
                    survivors.append(describe(mutant))
                elif killer:
                    first_kills[killer.split(';')[0].split('.')[0]] += 1
                seconds = time.time() - began
                i, path, number, col, old, new, op = mutant
                tsv.write('%d\t%s\t%d\t%d\t%s\t%s\t%s\t%s\t%.1f\t%s\n'
                          % (i, path, number, col, op, old, new, status, seconds, killer))
                tsv.flush()
                print('[%d/%d] %-10s %5.1fs #%d %s %s' % (done, len(mutants), status, seconds, i,
                                                          describe(mutant), killer), flush=True)
        except KeyboardInterrupt:
            print('mutate: interrupted; the file is restored', flush=True)
    hours = (time.time() - start) / 3600
    run_count = sum(counts.values())
    killed = counts['killed'] + counts['timeout']
    print('\n%d mutants enumerated, %d run in %.1f min (%.0f per hour)'
          % (total, run_count, hours * 60, run_count / hours if hours else 0))
    print('killed %d (timed out %d), survived %d, did not compile %d; %d shown equivalent, not run'
          % (killed, counts['timeout'], counts['survived'], counts['uncompiled'], len(equivalent)))
    if killed + counts['survived']:
        print('kill rate %.1f%%' % (100.0 * killed / (killed + counts['survived'])))
    print('first kills by suite: ' + ', '.join('%s %d' % k for k in first_kills.most_common()))
    for line in survivors:
        print('survived: ' + line)
    if args.every_killer:
        none_alone = sorted(t for t in costs if not alone[t])
        print('%d of %d tests kill no mutant of this sample alone (%d kill none at all):'
              % (len(none_alone), len(costs), sum(1 for t in none_alone if not kills[t])))
        for name in none_alone:
            print('  %s (kills %d)' % (name, kills[name]))
    print('results: ' + os.path.relpath(args.out, ROOT))
    print('rebuilding the unmutated tree ...', flush=True)
    build()
    return 0


if __name__ == '__main__':
    sys.exit(main())
