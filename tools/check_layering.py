#!/usr/bin/env python3
"""Fails when a source file includes a header of a library that its target
does not link, directly or through the PUBLIC/INTERFACE dependencies of what
it links.

The target graph comes from the build (cmake/Layering.cmake writes it at
configure time): one line per target property, "target<TAB>key<TAB>value",
where value is a CMake list. Keys: folder (the source folder a library
owns), sources, link (every direct dependency), interface (the usage
requirements dependants inherit; $<LINK_ONLY:x> entries are a static
library's PRIVATE dependencies and give no headers), headers (the include
folders of an imported library) and names (header names an imported library
owns when its folder is shared, such as /usr/include).

A project header belongs to the target whose sources hold the .cpp of the
same name beside it, among targets that own a folder; a header without one belongs to
the first target that owns its folder. Headers under folders no library
owns (test helpers) are not checked.

Besides, the two programs' folders are siblings: nothing under glimmo/
includes a header under mozaro/, and the reverse, even where a link would
allow it. And the cores, the engines and the test programs on the cores'
test main link no Qt Widgets.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
LINK_ONLY = re.compile(r'^\$<LINK_ONLY:(.*)>$')


def read_graph(path):
    graph = {}
    order = []
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.rstrip('\n')
            if not line:
                continue
            name, key, value = line.split('\t', 2)
            if name not in graph:
                graph[name] = {}
                order.append(name)
            graph[name][key] = [v for v in value.split(';') if v]
    return graph, order


def visible(graph, target):
    """Targets whose headers target may include."""
    seen = {target}

    def add_interface(t):
        for dep in graph.get(t, {}).get('interface', []):
            if LINK_ONLY.match(dep) or dep not in graph or dep in seen:
                continue
            seen.add(dep)
            add_interface(dep)

    for dep in graph[target].get('link', []):
        if dep in graph and dep not in seen:
            seen.add(dep)
            add_interface(dep)
    return seen


def check(graph_path, root):
    graph, order = read_graph(graph_path)
    root = os.path.realpath(root)
    by_cpp = {}
    by_folder = {}
    by_name = {}
    header_dirs = []
    for t in order:
        props = graph[t]
        for s in props.get('sources', []) if props.get('folder') else []:
            by_cpp.setdefault(os.path.splitext(os.path.realpath(s))[0], t)
        for d in props.get('folder', []):
            by_folder.setdefault(os.path.realpath(os.path.join(root, d)), t)
        for n in props.get('names', []):
            by_name[n] = t
        for d in props.get('headers', []):
            header_dirs.append((d, t))

    def owner(inc, kind, src):
        if inc in by_name:
            return by_name[inc]
        candidates = [os.path.join(root, inc)]
        if kind == '"':
            candidates.insert(0, os.path.join(os.path.dirname(src), inc))
        for c in candidates:
            if os.path.isfile(c):
                c = os.path.realpath(c)
                t = by_cpp.get(os.path.splitext(c)[0])
                return t if t else by_folder.get(os.path.dirname(c))
        for d, t in header_dirs:
            # <QWidget> and <QtWidgets/QWidget> alike.
            if os.path.isfile(os.path.join(d, inc)) or (
                    inc.startswith(os.path.basename(d) + '/')
                    and os.path.isfile(os.path.join(os.path.dirname(d), inc))):
                return t
        return None

    faults = []
    for t in order:
        sources = [s for s in graph[t].get('sources', [])
                   if os.path.isfile(s) and not s.endswith('.rc')]
        if not sources:
            continue
        allowed = visible(graph, t)
        files = set(sources)
        for s in sources:
            base = os.path.splitext(s)[0]
            if os.path.isfile(base + '.h'):
                files.add(base + '.h')
        for s in sorted(files):
            with open(s, encoding='utf-8', errors='replace') as f:
                text = f.read()
            for kind, inc in INCLUDE.findall(text):
                o = owner(inc, kind, s)
                if o and o not in allowed:
                    faults.append('%s: includes %s of %s, which %s does not link'
                                  % (os.path.relpath(s, root), inc, o, t))
    return faults


# Folders that stand side by side over what they share: no file under one
# includes a header of the other, whatever the targets link.
SIBLINGS = (('glimmo', 'mozaro'),)
SOURCE_EXT = ('.h', '.hpp', '.cpp', '.cc')


def sibling_faults(root, siblings=SIBLINGS):
    faults = []
    for pair in siblings:
        for folder in pair:
            others = [o for o in pair if o != folder]
            base = os.path.join(root, folder)
            for dirpath, dirnames, filenames in os.walk(base):
                dirnames.sort()
                for name in sorted(filenames):
                    if not name.endswith(SOURCE_EXT):
                        continue
                    path = os.path.join(dirpath, name)
                    with open(path, encoding='utf-8', errors='replace') as f:
                        text = f.read()
                    for _, inc in INCLUDE.findall(text):
                        for o in others:
                            if inc.startswith(o + '/'):
                                faults.append('%s: includes %s of the sibling folder %s/'
                                              % (os.path.relpath(path, root), inc, o))
    return faults


# The cores and engines, and every test program built on the cores' test
# main: none of them links Qt Widgets, directly or through what it links.
WITHOUT_WIDGETS = ('platform_core', 'image_core', 'store', 'artkit', 'glimmo_engine', 'mozaro_engine')
CORE_TEST_MAIN = 'gw_coretestmain'
WIDGETS = 'Qt6::Widgets'


def widget_faults(graph_path, without=WITHOUT_WIDGETS, core_main=CORE_TEST_MAIN):
    graph, order = read_graph(graph_path)

    def path_to_widgets(t, seen):
        # A static library's PRIVATE dependencies are linked as well.
        for dep in graph.get(t, {}).get('link', []):
            m = LINK_ONLY.match(dep)
            dep = m.group(1) if m else dep
            if dep == WIDGETS:
                return [dep]
            if dep in graph and dep not in seen:
                seen.add(dep)
                p = path_to_widgets(dep, seen)
                if p:
                    return [dep] + p
        return None

    faults = []
    for t in order:
        if t in without or core_main in graph[t].get('link', []):
            p = path_to_widgets(t, {t})
            if p:
                faults.append('%s links %s (%s)' % (t, WIDGETS, ' -> '.join([t] + p)))
    return faults


def main(argv):
    if len(argv) != 3:
        sys.stderr.write('usage: check_layering.py GRAPH SOURCE_ROOT\n')
        return 2
    faults = check(argv[1], argv[2]) + sibling_faults(argv[2]) + widget_faults(argv[1])
    for f in faults:
        print(f)
    if faults:
        print('%d include(s) cross the library graph' % len(faults))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
