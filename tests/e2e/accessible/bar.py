#!/usr/bin/python3
"""The bar as a screen reader and the keyboard meet it: what each control is called and does,
the renaming of a section switch, a collapsed bar opened and an item started with keys alone,
and an item started by the screen reader's Press.

Usage: bar.py PATH-TO-TEVLO"""
import sys

from session import Session, actions, do, find, find_all, has, pyatspi, wait_for

GLYPHS = ["Hide Bar", "Show Bar", "Set Bar", "About...", "Help", "Exit"]
HANDS = ["Previous Section", "Next Section"]

# The first section: a program that records where it ran, a missing one, seven more and an empty
# tenth; the second section ten others. Captions are drawn, and so spoken, in capitals.
ini = ["[Config]", "Pos1=1", "Pos2=1", "Resize=0", "Uppercase=1", "[Config.Prog]",
       "1={work}/first/record", "2=/no/such/tool"]
ini += [f"{k}=/bin/true" for k in [*range(3, 10), *range(11, 21)]]
ini += ["[Config.Caption]", "1=First", "2=Gone"]
ini += [f"{k}=a{k}" for k in range(3, 10)] + [f"{k}=b{k - 10}" for k in range(11, 21)]
first_section = ["FIRST", "GONE"] + [f"A{k}" for k in range(3, 10)] + ["Empty"]
second_section = [f"B{k}" for k in range(1, 11)]

s = Session(sys.argv[1], ini, recorders=["first"])
bar = s.frame


def launch_buttons():
    """The ten launch buttons, in their order on the bar."""
    return [b for b in find_all(bar, "push button") if b.name not in GLYPHS + HANDS]


# --- What each control is.
for name in GLYPHS + HANDS:
    button = find(bar, "push button", name)
    if s.check(button is not None, f'no push button named "{name}"'):
        s.check("Press" in actions(button), f'"{name}" has no Press action')
combo = find(bar, "combo box")
if s.check(combo is not None, "the section list is not a combo box"):
    labels = [r.getTarget(0).name for r in combo.getRelationSet()
              if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
    s.check(labels == ["Section"], f"the section list is labelled {labels}, expected Section")
    s.check(combo.name == "S1", f'the section list says "{combo.name}", expected its entry S1')

buttons = launch_buttons()
names = [b.name for b in buttons]
s.check(names == first_section, f"the launch buttons are named {names}, expected {first_section}")
if len(buttons) == 10:
    s.check(buttons[0].description == s.work + "/first/record",
            f'button 1 is described as "{buttons[0].description}", expected its program')
    s.check(buttons[1].description == "Not found: /no/such/tool",
            f'the missing item is described as "{buttons[1].description}"')
    s.check(not has(buttons[9], pyatspi.STATE_SENSITIVE), "the empty button is available")
    s.check("Press" in actions(buttons[0]), "a launch button has no Press action")
    # Collapsed: the launch buttons are cut off, and not reported as showing.
    s.check(not any(has(b, pyatspi.STATE_SHOWING) for b in buttons),
            "a collapsed bar reports its launch buttons as showing")

# --- Keys alone: Tab walks the title strip and the section list of the collapsed bar; the
# focused Show Bar opens it; then Tab walks everything, Shift+Tab walks back, Enter starts.
s.focus_window("Tevlo")
s.tab_to("Hide Bar")
walked = s.walk("Hide Bar")
s.check(walked == GLYPHS[1:] + ["S1", "Hide Bar"],
        f"Tab on the collapsed bar went through {walked}")
s.tab_to("Show Bar")
s.key("space")
s.check(wait_for(lambda: has(launch_buttons()[0], pyatspi.STATE_SHOWING), 10),
        "Space on the focused Show Bar did not open the bar")
walked = s.walk("Hide Bar")
expected = ["Set Bar", "About...", "Help", "Exit", "S1"] + first_section[:9] + HANDS + ["Hide Bar"]
s.check(walked == expected, f"Tab on the open bar went through {walked}, expected {expected}")
walked = s.walk("Exit", "shift+Tab")
expected = HANDS[::-1] + first_section[8::-1] + ["S1", "Exit"]
s.check(walked == expected, f"Shift+Tab went through {walked}, expected {expected}")
s.tab_to("FIRST")
s.key("Return")
s.check(s.recorded("first") == s.work + "/first\n", "Enter on the focused button 1 did not start item 1 in its folder")

# --- The screen reader's own Press starts the item as a click does.
s.forget("first")
do(launch_buttons()[0], "Press")
s.check(s.recorded("first") == s.work + "/first\n", "Press through AT-SPI did not start item 1")

# --- A section switch renames the ten buttons, each with a name-changed event.
renamed = {}
pyatspi.Registry.registerEventListener(
    lambda e: renamed.__setitem__(e.source.name, e.source.getRoleName()),
    "object:property-change:accessible-name")
do(find(bar, "push button", "Next Section"), "Press")
wait_for(lambda: all(n in renamed for n in second_section), 10)
missed = [n for n in second_section if renamed.get(n) != "push button"]
s.check(not missed, f"no name-changed event for {missed}; heard {sorted(renamed)}")
names = [b.name for b in launch_buttons()]
s.check(names == second_section, f"after Next Section the buttons are named {names}")

s.finish("the bar's controls are named and act for a screen reader, and keys alone walk it, open it and start items")
