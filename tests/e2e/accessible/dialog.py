#!/usr/bin/python3
"""The settings dialog as a screen reader and the keyboard meet it: its pages a page tab list,
every box named by its group and label, colour boxes by their colour, lists by their labels;
Tab in the order the controls show, the arrows turning pages, and a caption edited and saved
with keys alone, reaching the file and the bar's button.

Usage: dialog.py PATH-TO-TEVLO"""
import sys

from session import Session, actions, find, find_all, has, pyatspi, wait_for

s = Session(sys.argv[1], ["[Config]", "BackColor1=255", "BackColor2=16777215", "Pos1=1", "Pos2=1",
                          "Resize=1", "Uppercase=1", "[Config.Prog]", "1=/bin/true",
                          "[Config.Caption]", "1=One"])

dialog = s.open_from_bar("Set Bar", "Settings")
s.focus_window("Settings")

# --- What each control is.
tabs = find_all(dialog, "page tab")
names = [t.name for t in tabs]
s.check(names == ["Look"] + [f"Section {n}" for n in range(1, 11)], f"the page tabs are {names}")
s.check(all(t.parent.getRoleName() == "page tab list" and "Press" in actions(t) for t in tabs),
        "the page tabs are not pressable tabs of a page tab list")
selected = [t.name for t in tabs if has(t, pyatspi.STATE_SELECTED)]
s.check(selected == ["Section 1"], f"the selected tabs are {selected}, expected the bar's section")
groups = {g.name for g in find_all(dialog, "panel")}
wanted = {"Background", "Position on desktop", "Sections Names"} | {f"Button {n}" for n in range(1, 11)}
s.check(wanted <= groups, f"groupings missing: {sorted(wanted - groups)}")
for name in ["Title BackColor #FF0000", "Buttons BackColor #FFFFFF", "Font sample"]:
    s.check(find(dialog, "text", name) is not None, f'no box named "{name}"')
labels = {}
for combo in find_all(dialog, "combo box"):
    for relation in combo.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            labels[relation.getTarget(0).name] = combo
s.check({"Horizontal", "Vertical", "Select a section:"} <= set(labels),
        f"the lists are labelled only by {sorted(labels)}")
s.check(find(dialog, "text", "Type a new name:") is not None, "the new name's box has no name")

# --- Tab reads the page as it shows, then the buttons below it, and comes back to the tab.
s.check(s.focused_name() == "Section 1", f'the dialog opens with "{s.focused_name()}" focused')
walked = s.walk("Section 1")
expected = [f"Button {n} {what}" for n in range(1, 11) for what in ("Edit Caption", "Edit Program", "Browse")]
expected += ["Close", "Save", "Save and close", "Section 1"]
s.check(walked == expected, f"Tab on a section page went through {walked}")
s.key("Left")
s.check(wait_for(lambda: s.focused_name() == "Look" and has(tabs[0], pyatspi.STATE_SELECTED), 10),
        f'Left on the tabs did not turn to the Look page; "{s.focused_name()}" has the focus')
walked = s.walk("Look")
expected = ["Title BackColor", "Buttons BackColor", "Buttons BackColor #FFFFFF", "Select Font",
            "Font sample", "Uppercase", "Default ", "Title Image", "Select", "Stretch", "Image",
            "Select", "Stretch", "Left", "Down", "S1", "Type a new name:", "Change",
            "Small Bar On Use", "Minimize On Use", "Authomatic Resize", "Stay On Top", "Show Icons", "Close",
            "Save", "Save and close", "Look"]
s.check(walked == expected, f"Tab on the Look page went through {walked}")

# --- A caption edited and saved with keys alone: Enter is Save.
s.key("Right")
s.tab_to("Button 1 Edit Caption")
s.key("ctrl+a")
s.type("Keyed")
s.key("Return")
s.check(wait_for(lambda: "\r\n1=Keyed\r\n" in s.saved(), 10), "Enter did not save the edited caption")
s.check(wait_for(lambda: find(s.frame, "push button", "KEYED") is not None, 10),
        "the bar's button 1 is not named by the saved caption")
s.key("Escape")
s.check(wait_for(lambda: s.window("dialog", "Settings", seconds=0) is None, 10),
        "Escape did not close the settings dialog")
s.finish("the settings dialog reads, walks in order and saves for a screen reader and the keyboard")
