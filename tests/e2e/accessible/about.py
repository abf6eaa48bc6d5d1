#!/usr/bin/python3
"""The About box as a screen reader and the keyboard meet it: its texts, icons and links for what
they are, Tab in the order they show, a link opened with Enter and by the screen reader's Press,
and Escape closing it.

Usage: about.py PATH-TO-TEVLO"""
import sys

from session import Session, actions, do, find_all, has, pyatspi, wait_for

s = Session(sys.argv[1], ["[Config]", "Pos1=1", "Pos2=1", "Resize=1"])

# Opened from the bar with keys alone.
about = s.open_from_bar("About...", "About")

icons = [i.name for i in find_all(about, "image")]
s.check(icons and all(n == "Tevlo icon" for n in icons), f"the icons are named {icons}")
texts = [t.name for t in find_all(about, "label")]
s.check(texts[:1] == ["Tevlo"] and texts[1].startswith("Version ") and
        "Free to use and distribute." in texts, f"the About box's texts read {texts}")
links = find_all(about, "link")
names = [link.name for link in links]
s.check(len(links) == 2 and names[0].startswith("https://") and "@" in names[1],
        f"the links are {names}")
for link in links:
    s.check("Press" in actions(link), f'the link "{link.name}" has no Press action')
    s.check(has(link, pyatspi.STATE_FOCUSABLE), f'the link "{link.name}" cannot take the focus')

# OK has the focus; Tab walks the links as they show, top to bottom, and comes back.
s.check(s.focused_name() == "OK", f'the About box opens with "{s.focused_name()}" focused')
walked = s.walk("OK")
s.check(walked == names + ["OK"], f"Tab in the About box went through {walked}")
if len(links) == 2:
    s.tab_to(names[0])
    s.key("Return")
    opened = s.recorded("opened")
    s.check(opened and opened.endswith(f"[{names[0]}]\n"), f"Enter on the home page link opened {opened!r}")
    s.forget("opened")
    do(links[1], "Press")
    opened = s.recorded("opened")
    s.check(opened and opened.endswith(f"[mailto:{names[1]}]\n"), f"Press on the mail link opened {opened!r}")

s.key("Escape")
s.check(wait_for(lambda: s.window("dialog", "About", seconds=0) is None, 10),
        "Escape did not close the About box")
s.finish("the About box reads, walks and opens its links for a screen reader and the keyboard")
