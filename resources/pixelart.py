"""Finer versions of the program's pixel art, for screens of two and three times the density.

The drawings are made one character per pixel at their own size. Their finer versions are the
same drawings enlarged by the Scale2x and Scale3x rules, which keep every edge sharp and round off
the stair steps of diagonals and curves instead of doubling each pixel into a block.
"""


def _at(grid, x, y):
    h, w = len(grid), len(grid[0])
    return grid[min(max(y, 0), h - 1)][min(max(x, 0), w - 1)]


def scale2x(grid):
    out = []
    for y in range(len(grid)):
        top, bottom = [], []
        for x in range(len(grid[0])):
            b, d, e, f, h = (_at(grid, x, y - 1), _at(grid, x - 1, y), grid[y][x],
                             _at(grid, x + 1, y), _at(grid, x, y + 1))
            if b != h and d != f:
                top += [d if d == b else e, f if b == f else e]
                bottom += [d if d == h else e, f if h == f else e]
            else:
                top += [e, e]
                bottom += [e, e]
        out += [''.join(top), ''.join(bottom)]
    return out


def scale3x(grid):
    out = []
    for y in range(len(grid)):
        rows = [[], [], []]
        for x in range(len(grid[0])):
            a, b, c = _at(grid, x - 1, y - 1), _at(grid, x, y - 1), _at(grid, x + 1, y - 1)
            d, e, f = _at(grid, x - 1, y), grid[y][x], _at(grid, x + 1, y)
            g, h, i = _at(grid, x - 1, y + 1), _at(grid, x, y + 1), _at(grid, x + 1, y + 1)
            if b != h and d != f:
                cells = [
                    d if d == b else e,
                    b if (d == b and e != c) or (b == f and e != a) else e,
                    f if b == f else e,
                    d if (d == b and e != g) or (d == h and e != a) else e,
                    e,
                    f if (b == f and e != i) or (h == f and e != c) else e,
                    d if d == h else e,
                    h if (d == h and e != i) or (h == f and e != g) else e,
                    f if h == f else e,
                ]
            else:
                cells = [e] * 9
            for row in range(3):
                rows[row] += cells[3 * row:3 * row + 3]
        out += [''.join(r) for r in rows]
    return out


def scaled(grid, factor):
    return {1: lambda g: list(g), 2: scale2x, 3: scale3x}[factor](grid)
