#!/usr/bin/env python3
"""Tests of tools/check_format.py in small made-up repositories with the
tree's .clang-format: a line counts when this checkout changed it against
main (or HEAD~ without a main), and only then."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tools'))
import check_format  # noqa: E402

ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), '..', '..'))
GOOD = 'int Sum(int a, int b) { return a + b; }\n'
# Unformatted: the spaces inside the parentheses and before the semicolon.
BAD = 'int Sum( int a, int b ) { return a + b ; }\n'
OTHER_GOOD = 'int Twice(int a) { return 2 * a; }\n'
OTHER_BAD = 'int Twice( int a ) { return 2*a; }\n'


class MadeUpRepository(unittest.TestCase):
    def setUp(self):
        os.environ.pop('GW_FORMAT_BASE', None)
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name
        shutil.copy(os.path.join(ROOT, '.clang-format'), self.root)
        self.git('init', '-q', '-b', 'main')
        # An unformatted line on main that nobody touches.
        self.write('old.cpp', OTHER_BAD)
        self.write('sum.cpp', GOOD)
        self.commit('start')

    def tearDown(self):
        self.dir.cleanup()

    def git(self, *args):
        subprocess.run(('git', '-C', self.root, '-c', 'user.name=t', '-c', 'user.email=t@t') + args, check=True,
                       capture_output=True)

    def write(self, name, text):
        with open(os.path.join(self.root, name), 'w') as f:
            f.write(text)

    def commit(self, message):
        self.git('add', '-A')
        self.git('commit', '-q', '-m', message)

    def complaints(self):
        return check_format.check(self.root)

    def test_nothing_changed_passes_though_old_lines_are_unformatted(self):
        self.assertEqual(self.complaints(), '')

    def test_committed_line_off_main_is_checked(self):
        self.git('checkout', '-q', '-b', 'topic')
        self.write('sum.cpp', BAD)
        self.commit('bad')
        self.assertIn('sum.cpp', self.complaints())
        self.assertNotIn('old.cpp', self.complaints())
        # Every commit not yet on main counts, not the last one only.
        self.write('more.cpp', GOOD)
        self.commit('another file')
        self.assertIn('sum.cpp', self.complaints())
        self.write('sum.cpp', GOOD + OTHER_GOOD)
        self.commit('fixed')
        self.assertEqual(self.complaints(), '')

    def test_only_changed_lines_of_a_file_count(self):
        self.git('checkout', '-q', '-b', 'topic')
        self.write('old.cpp', OTHER_BAD + GOOD)
        self.commit('added a formatted line below an unformatted one')
        self.assertEqual(self.complaints(), '')
        self.write('old.cpp', OTHER_BAD + BAD)
        self.assertIn('old.cpp:2:', self.complaints())

    def test_unstaged_and_untracked_files_are_checked(self):
        self.write('sum.cpp', BAD)
        self.assertIn('sum.cpp', self.complaints())
        self.write('sum.cpp', GOOD)
        self.write('new.h', BAD)
        self.assertIn('new.h', self.complaints())
        self.write('new.h', GOOD)
        self.assertEqual(self.complaints(), '')

    def test_without_main_the_last_commit_counts(self):
        self.write('sum.cpp', BAD)
        self.commit('bad on main')
        self.git('checkout', '-q', '--detach')
        self.git('branch', '-q', '-D', 'main')
        self.assertIn('sum.cpp', self.complaints())

    def test_the_named_base_wins(self):
        self.git('checkout', '-q', '-b', 'topic')
        self.write('sum.cpp', BAD)
        self.commit('bad')
        os.environ['GW_FORMAT_BASE'] = 'HEAD'
        try:
            self.assertEqual(self.complaints(), '')
        finally:
            del os.environ['GW_FORMAT_BASE']

    def test_outside_a_repository_nothing_is_checked(self):
        with tempfile.TemporaryDirectory() as plain:
            with open(os.path.join(plain, 'x.cpp'), 'w') as f:
                f.write(BAD)
            self.assertEqual(check_format.check(plain), '')


if __name__ == '__main__':
    unittest.main()
