#!/usr/bin/env python3
"""Fails when a C++ line that this checkout changed is not as clang-format
(with the tree's .clang-format) would write it.

"Changed" is measured against a base commit: the merge base of HEAD with
origin/main, else with main, else HEAD~ (a checkout with no main branch),
else HEAD itself. The lines checked are those that differ from the base in
the working tree, so commits not yet on main, staged and unstaged edits
count alike; files git does not track yet (and does not ignore) count whole.
A clean clone of main has nothing changed and passes; lines nobody touched
are never checked, so the check does not fail for them.

Usage: check_format.py [SOURCE_ROOT]   (default: the current folder)
Environment: GW_FORMAT_BASE names the base commit instead; CLANG_FORMAT the
program (default clang-format).
"""
import os
import re
import subprocess
import sys

SOURCES = ('*.cpp', '*.h')
HUNK = re.compile(r'^@@ -\S+ \+(\d+)(?:,(\d+))? @@')


def git(root, *args, check=True):
    r = subprocess.run(('git', '-C', root) + args, capture_output=True, text=True)
    if check and r.returncode != 0:
        raise RuntimeError('git %s: %s' % (' '.join(args), r.stderr.strip()))
    return r


def base_commit(root):
    given = os.environ.get('GW_FORMAT_BASE')
    if given:
        return given
    for ref in ('origin/main', 'main'):
        r = git(root, 'merge-base', 'HEAD', ref, check=False)
        if r.returncode == 0:
            return r.stdout.strip()
    for ref in ('HEAD~', 'HEAD'):
        r = git(root, 'rev-parse', '--verify', '--quiet', ref + '^{commit}', check=False)
        if r.returncode == 0:
            return r.stdout.strip()
    return None


def changed_lines(root, base):
    """{path: [(first, last), ...]} of the lines the working tree changed."""
    changes = {}
    if base:
        diff = git(root, 'diff', '-U0', '--no-color', '--no-ext-diff', '-M', '--diff-filter=AMR', base, '--',
                   *SOURCES).stdout
        path = None
        for line in diff.splitlines():
            if line.startswith('+++ '):
                path = line[6:] if line.startswith('+++ b/') else None
            elif path and line.startswith('@@'):
                m = HUNK.match(line)
                first, count = int(m.group(1)), int(m.group(2) if m.group(2) is not None else 1)
                if count > 0:
                    changes.setdefault(path, []).append((first, first + count - 1))
    for path in git(root, 'ls-files', '--others', '--exclude-standard', '--', *SOURCES).stdout.splitlines():
        changes[path] = []  # whole file
    return changes


def check(root):
    """The clang-format complaints about changed lines, as text ('' when none)."""
    if git(root, 'rev-parse', '--is-inside-work-tree', check=False).returncode != 0:
        return ''
    program = os.environ.get('CLANG_FORMAT', 'clang-format')
    out = []
    for path, ranges in sorted(changed_lines(root, base_commit(root)).items()):
        args = [program, '--dry-run', '--Werror', '--style=file']
        args += ['--lines=%d:%d' % r for r in ranges]
        r = subprocess.run(args + [path], cwd=root, capture_output=True, text=True)
        if r.returncode != 0:
            out.append(r.stderr or r.stdout or '%s: clang-format failed\n' % path)
    return ''.join(out)


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else '.')
    complaints = check(root)
    if complaints:
        sys.stderr.write(complaints)
        sys.stderr.write('Changed lines are not formatted; git clang-format BASE formats them.\n')
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
