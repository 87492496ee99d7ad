#!/usr/bin/env python3
"""Tests of tools/check_layering.py: over small made-up trees whose answer is
plain, and over this tree with the build's own graph, once as it is and
once with a file that includes a header its library does not link."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tools'))
import check_layering  # noqa: E402

GRAPH = os.environ.get('GW_LAYERING_GRAPH')
ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), '..', '..'))


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w') as f:
        f.write(text)


class MadeUpTree(unittest.TestCase):
    """Libraries base <- mid <- top, and a fake Qt Widgets module."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = os.path.join(self.dir.name, 'src')
        r = self.root
        write(r + '/base/Base.h', '#pragma once\n')
        write(r + '/base/Base.cpp', '#include "base/Base.h"\n')
        write(r + '/base/Only.h', '#pragma once\n')
        write(r + '/mid/Mid.h', '#pragma once\n')
        write(r + '/mid/Mid.cpp', '#include "mid/Mid.h"\n#include "base/Base.h"\n')
        write(r + '/top/Top.cpp', '#include "mid/Mid.h"\n')
        self.qt = os.path.join(self.dir.name, 'qt', 'QtWidgets')
        write(self.qt + '/QWidget', '')

    def tearDown(self):
        self.dir.cleanup()

    def graph(self, mid_base, extra=''):
        r = self.root
        lines = [
            'base\tfolder\tbase', 'base\tsources\t%s/base/Base.cpp' % r,
            'mid\tfolder\tmid', 'mid\tsources\t%s/mid/Mid.cpp' % r,
            'mid\tlink\tbase', 'mid\tinterface\t%s' % mid_base,
            'top\tfolder\ttop', 'top\tsources\t%s/top/Top.cpp' % r,
            'top\tlink\tmid',
            'Qt6::Widgets\theaders\t%s' % self.qt,
        ]
        path = os.path.join(self.dir.name, 'graph.txt')
        write(path, '\n'.join(lines) + '\n' + extra)
        return path

    def faults(self, mid_base='base'):
        return check_layering.check(self.graph(mid_base), self.root)

    def test_linked_headers_pass(self):
        self.assertEqual(self.faults(), [])

    def test_header_of_an_unlinked_library_fails(self):
        write(self.root + '/base/Base.cpp', '#include "mid/Mid.h"\n')
        faults = self.faults()
        self.assertEqual(len(faults), 1)
        self.assertIn('base/Base.cpp', faults[0])
        self.assertIn('mid/Mid.h of mid', faults[0])

    def test_public_dependency_reaches_dependants_private_does_not(self):
        write(self.root + '/top/Top.cpp', '#include "mid/Mid.h"\n#include "base/Base.h"\n')
        self.assertEqual(self.faults('base'), [])
        faults = self.faults('$<LINK_ONLY:base>')
        self.assertEqual(len(faults), 1)
        self.assertIn('base/Base.h of base, which top does not link', faults[0])

    def test_header_without_a_source_belongs_to_its_folder(self):
        write(self.root + '/top/Top.cpp', '#include "base/Only.h"\n')
        self.assertEqual(len(self.faults('$<LINK_ONLY:base>')), 1)
        self.assertEqual(self.faults('base'), [])

    def test_a_header_beside_its_source_is_checked_too(self):
        write(self.root + '/mid/Mid.h', '#pragma once\n#include <QWidget>\n')
        faults = self.faults()
        self.assertEqual(len(faults), 1)
        self.assertIn('mid/Mid.h: includes QWidget of Qt6::Widgets', faults[0])

    def test_qt_module_headers_need_the_module(self):
        write(self.root + '/top/Top.cpp', '#include <QtWidgets/QWidget>\n')
        self.assertEqual(len(self.faults()), 1)
        extra = 'top\tlink\tmid;Qt6::Widgets\n'
        self.assertEqual(check_layering.check(self.graph('base', extra), self.root), [])


class SiblingFolders(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name
        write(self.root + '/glimmo/Button.h', '#pragma once\n#include "artkit/Painters.h"\n')
        write(self.root + '/mozaro/Layer.cpp', '#include "mozaro/Layer.h"\n#include "artkit/Plasma.h"\n')
        write(self.root + '/mozaro/forms/main_form.cpp', '#include "image/PGImage.h"\n')

    def tearDown(self):
        self.dir.cleanup()

    def test_shared_headers_pass(self):
        self.assertEqual(check_layering.sibling_faults(self.root), [])

    def test_either_way_fails(self):
        write(self.root + '/mozaro/forms/main_form.cpp', '#include "glimmo/forms/splash.h"\n')
        write(self.root + '/glimmo/Button.cpp', '#include <mozaro/Layer.h>\n')
        faults = check_layering.sibling_faults(self.root)
        self.assertEqual(len(faults), 2, faults)
        self.assertIn('glimmo/Button.cpp: includes mozaro/Layer.h', faults[0])
        self.assertIn('mozaro/forms/main_form.cpp: includes glimmo/forms/splash.h', faults[1])


class WithoutWidgets(unittest.TestCase):
    """engine -> core; its test on the cores' main; a widget part beside."""

    def faults(self, extra=''):
        with tempfile.TemporaryDirectory() as d:
            lines = ['core\tlink\tQt6::Gui', 'engine\tlink\tcore;$<LINK_ONLY:store>',
                     'store\tlink\tcore', 'part\tlink\tengine;Qt6::Widgets',
                     'main\tlink\tQt6::Gui', 'engine_test\tlink\tengine;main',
                     'part_test\tlink\tpart;widgetmain']
            path = os.path.join(d, 'graph.txt')
            write(path, '\n'.join(lines) + '\n' + extra)
            return check_layering.widget_faults(path, ('core', 'engine', 'store'), 'main')

    def test_widget_part_beside_the_engine_passes(self):
        self.assertEqual(self.faults(), [])

    def test_private_widget_dependency_of_a_core_fails(self):
        faults = self.faults('store\tlink\tcore;$<LINK_ONLY:Qt6::Widgets>\n')
        self.assertEqual(len(faults), 3, faults)
        self.assertIn('engine links Qt6::Widgets (engine -> store -> Qt6::Widgets)', faults)
        self.assertIn('engine_test links Qt6::Widgets (engine_test -> engine -> store -> Qt6::Widgets)',
                      faults)

    def test_engine_test_linking_a_widget_part_fails(self):
        faults = self.faults('engine_test\tlink\tengine;part;main\n')
        self.assertEqual(faults, ['engine_test links Qt6::Widgets (engine_test -> part -> Qt6::Widgets)'])


@unittest.skipUnless(GRAPH, 'GW_LAYERING_GRAPH names the build\'s graph')
class ThisTree(unittest.TestCase):
    def test_tree_passes(self):
        self.assertEqual(check_layering.check(GRAPH, ROOT), [])
        self.assertEqual(check_layering.sibling_faults(ROOT), [])
        self.assertEqual(check_layering.widget_faults(GRAPH), [])

    def test_store_including_a_widget_fails(self):
        with tempfile.TemporaryDirectory() as d:
            wrong = os.path.join(d, 'Wrong.cpp')
            write(wrong, '#include "store/QDB.h"\n#include "widgets/RxSlider.h"\n')
            graph = os.path.join(d, 'graph.txt')
            with open(GRAPH) as f:
                text = f.read()
            write(graph, text + 'store\tsources\t%s\n' % wrong)
            faults = check_layering.check(graph, ROOT)
            self.assertEqual(len(faults), 1, faults)
            self.assertIn('includes widgets/RxSlider.h of widgets, which store does not link',
                          faults[0])


if __name__ == '__main__':
    unittest.main()
