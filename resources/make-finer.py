#!/usr/bin/env python3
"""Writes name@2x.xpm and name@3x.xpm beside each XPM picture named on the command line: the same
drawing at two and three times its size, for dense screens, by the rules of pixelart.py.

The hand cursors and the OK glyph are drawn at their own size as XPM files; their finer versions
come from here. (The command glyphs have make-glyphs.py, which also derives their disabled cells.)

Usage: python3 make-finer.py ok.xpm cursors/*.xpm
"""
import os
import re
import sys

from pixelart import scaled


def read(path):
    text = open(path).read()
    name = re.search(r'static\s+const\s+char\s*\*\s*(\w+)', text).group(1)
    strings = re.findall(r'"((?:[^"\\]|\\.)*)"', text)
    width, height, colours, per_pixel = map(int, strings[0].split()[:4])
    assert per_pixel == 1, path
    return name, strings[1:1 + colours], strings[1 + colours:1 + colours + height]


def write(path, name, colours, pixels):
    lines = ['/* XPM */', 'static const char* %s[] = {' % name,
             '"%d %d %d 1",' % (len(pixels[0]), len(pixels), len(colours))]
    lines += ['"%s",' % c for c in colours] + ['"%s",' % row for row in pixels]
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    with open(path, 'w') as f:
        f.write('\n'.join(lines) + '\n')


def main():
    for path in sys.argv[1:]:
        if re.search(r'@\dx\.xpm$', path):
            continue
        name, colours, pixels = read(path)
        stem = path[:-len('.xpm')]
        for factor in (2, 3):
            write('%s@%dx.xpm' % (stem, factor), name, colours, scaled(pixels, factor))


if __name__ == '__main__':
    main()
