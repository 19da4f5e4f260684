#!/usr/bin/python3
"""Drives one Talvora through the accessibility bus of the session it runs in.

Started inside a PC's own D-Bus session and X display (see pc.py): it starts the
Talvora of that PC, then answers one JSON request per line on stdin with one JSON
reply per line on stdout. Every widget is addressed by a spec, a dict with
  role     AT-SPI role name ("push button", "page tab", "tree", ...)
  name     accessible name, matched exactly
  contains part of the accessible name
  window   part of the title of the top-level window to look in
  app      look in the other programs of this name on the PC (TvDcc) instead of the
           started one; with pid, only in the copy with that process id
  label    text of the label just before the widget in the same container
  any      true: also hidden widgets (default: only showing ones)
Requests: {"op": <name>, ...arguments}; replies: {"ok": true, "result": ...} or
{"ok": false, "error": text}. Diagnostics go to stderr.
"""

import json
import os
import signal
import subprocess
import sys
import time
import traceback
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# The *_iface getters are marked deprecated in this libatspi but are the ones that work.
warnings.filterwarnings("ignore", category=DeprecationWarning)

KEYSYMS = {
    "Return": 0xFF0D,
    "Escape": 0xFF1B,
    "Down": 0xFF54,
    "Up": 0xFF52,
    "Home": 0xFF50,
    "End": 0xFF57,
    "Tab": 0xFF09,
}

# Modifiers held during a key press, as lock masks (a synthesized keysym press is always
# a press and release, so a modifier cannot be held down that way).
MODIFIER_MASKS = {
    "Control": 1 << int(Atspi.ModifierType.CONTROL),
    "Shift": 1 << int(Atspi.ModifierType.SHIFT),
}

# Containers whose children are rows or cells: searched only when a cell is wanted.
ROW_HOLDERS = {Atspi.Role.TABLE, Atspi.Role.TREE, Atspi.Role.TREE_TABLE, Atspi.Role.LIST}
CELL_ROLES = {"table cell", "tree item", "list item", "table column header"}


def log(*parts):
    print("[driver %.3f]" % time.monotonic(), *parts, file=sys.stderr, flush=True)


class DriverError(Exception):
    pass


def states_of(acc):
    try:
        st = acc.get_state_set()
    except Exception:
        return set()
    names = set()
    for s in ("SHOWING", "VISIBLE", "ENABLED", "SENSITIVE", "FOCUSED", "SELECTED", "CHECKED",
              "ACTIVE", "FOCUSABLE", "EDITABLE", "DEFUNCT"):
        if st.contains(getattr(Atspi.StateType, s)):
            names.add(s.lower())
    return names


def safe_name(acc):
    try:
        return acc.get_name() or ""
    except Exception:
        return ""


def safe_role(acc):
    try:
        return acc.get_role_name() or ""
    except Exception:
        return ""


def children(acc):
    try:
        n = acc.get_child_count()
    except Exception:
        return []
    out = []
    for i in range(n):
        try:
            c = acc.get_child_at_index(i)
        except Exception:
            c = None
        if c is not None:
            out.append(c)
    return out


def extents(acc):
    comp = acc.get_component_iface()
    if comp is None:
        raise DriverError("%s '%s' has no screen position" % (safe_role(acc), safe_name(acc)))
    r = comp.get_extents(Atspi.CoordType.SCREEN)
    return [r.x, r.y, r.width, r.height]


class Driver:
    def __init__(self):
        self.proc = None
        self.app = None
        self.others = {}  # pid -> process started by op_launch
        # Popup menus are no children of the application on the bus; their entries are
        # seen only in the focus events they send as the keyboard walks through them.
        self.focused_items = []
        self.popup_shown = None  # the accessible name of the popup menu that is up
        self.listener = Atspi.EventListener.new(self._on_event)
        self.listener.register("object:state-changed:focused")
        self.listener.register("object:state-changed:showing")

    def _on_event(self, event):
        role = safe_role(event.source)
        if event.type.endswith("focused"):
            if event.detail1 == 1:
                self.focused_items.append((role, safe_name(event.source)))
        elif role == "popup menu":
            self.popup_shown = safe_name(event.source) if event.detail1 == 1 else None

    def _pump(self, seconds):
        context = GLib.MainContext.default()
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if not context.iteration(False):
                time.sleep(0.01)

    # ----- the application -----
    def op_start(self, program, args=(), timeout=60, log_path=None):
        out = open(log_path, "ab") if log_path else subprocess.DEVNULL
        self.proc = subprocess.Popen([program, *args], stdout=out, stderr=subprocess.STDOUT,
                                     cwd=os.path.dirname(program))
        log("started", program, "pid", self.proc.pid)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise DriverError("Talvora ended at start with code %d" % self.proc.returncode)
            self.app = self._find_app()
            if self.app is not None and self.windows():
                return {"pid": self.proc.pid}
            time.sleep(0.1)
        raise DriverError("Talvora did not appear on the accessibility bus in %ds" % timeout)

    def _find_app(self):
        desktop = Atspi.get_desktop(0)
        for app in children(desktop):
            try:
                if app.get_process_id() == self.proc.pid:
                    app.set_cache_mask(Atspi.Cache.NONE)
                    return app
            except Exception:
                continue
        return None

    def op_launch(self, program, args=(), log_path=None):
        """Starts another program of the PC (TvDcc with a command line); returns its pid."""
        out = open(log_path, "ab") if log_path else subprocess.DEVNULL
        proc = subprocess.Popen([program, *args], stdout=out, stderr=subprocess.STDOUT,
                                cwd=os.path.dirname(program))
        self.others[proc.pid] = proc
        log("launched", program, args, "pid", proc.pid)
        return proc.pid

    def op_process(self, pid):
        """Whether a launched program still runs, and its exit code once it ended."""
        proc = self.others.get(pid)
        if proc is None:
            raise DriverError("no launched process %d" % pid)
        code = proc.poll()
        return {"running": code is None, "code": code}

    def _program_of(self, pid):
        try:
            with open("/proc/%d/comm" % pid, encoding="utf-8") as f:
                return f.read().strip()
        except OSError:
            return ""

    def op_windows(self, app, pid=None):
        """The showing top-level windows of the other programs of that name: pid, title."""
        found = []
        for acc in self._other_apps(app, pid):
            for w in children(acc):
                if "showing" in states_of(w):
                    found.append({"pid": acc.get_process_id(), "title": safe_name(w)})
        return found

    def _other_apps(self, name, pid=None):
        apps = []
        for acc in children(Atspi.get_desktop(0)):
            try:
                app_pid = acc.get_process_id()
            except Exception:
                continue
            if pid is not None and app_pid != pid:
                continue
            if safe_name(acc) == name or self._program_of(app_pid) == name:
                acc.set_cache_mask(Atspi.Cache.NONE)
                try:
                    acc.clear_cache()
                except Exception:
                    pass
                apps.append(acc)
        return apps

    def op_alive(self):
        if self.proc is None:
            return {"running": False, "code": None}
        code = self.proc.poll()
        return {"running": code is None, "code": code}

    def op_stop(self, timeout=10):
        for proc in self.others.values():
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if self.proc is None or self.proc.poll() is not None:
            return {"code": None if self.proc is None else self.proc.returncode}
        self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        return {"code": self.proc.returncode}

    def _app(self):
        if self.proc is not None and self.proc.poll() is not None:
            raise DriverError("Talvora has ended (code %d)" % self.proc.returncode)
        if self.app is None:
            raise DriverError("Talvora is not started")
        try:
            self.app.clear_cache()
        except Exception:
            pass
        return self.app

    def _apps(self, spec):
        """The applications a spec looks in: Talvora, or the ones named by its "app"."""
        if "app" not in spec:
            return [self._app()]
        return self._other_apps(spec["app"], spec.get("pid"))

    def op_apps(self):
        """The applications on this PC's accessibility bus: name and process ID."""
        apps = []
        for app in children(Atspi.get_desktop(0)):
            try:
                apps.append({"name": safe_name(app), "pid": app.get_process_id()})
            except Exception:
                continue
        return apps

    def windows(self):
        return [w for w in children(self.app) if "showing" in states_of(w)] if self.app else []

    # ----- finding widgets -----
    def _matches(self, acc, spec):
        if "role" in spec and safe_role(acc) != spec["role"]:
            return False
        name = safe_name(acc)
        if "name" in spec and name != spec["name"]:
            return False
        if "contains" in spec and spec["contains"] not in name:
            return False
        return True

    def find_all(self, spec):
        want_cells = spec.get("role") in CELL_ROLES
        showing_only = not spec.get("any", False)
        found = []
        for window in (w for app in self._apps(spec) for w in children(app)):
            if "window" in spec and spec["window"] not in safe_name(window):
                continue
            stack = [window]
            while stack:
                acc = stack.pop()
                if showing_only and "showing" not in states_of(acc):
                    continue
                if self._matches(acc, spec):
                    found.append(acc)
                try:
                    role = acc.get_role()
                except Exception:
                    continue
                if role in ROW_HOLDERS and not want_cells:
                    continue
                stack.extend(reversed(children(acc)))
        return found

    def find(self, spec):
        found = self.beside_label(spec) if "label" in spec else self.find_all(spec)
        index = spec.get("index", 0)
        if len(found) <= index:
            raise DriverError("not found: %s" % json.dumps(spec, ensure_ascii=False))
        return found[index]

    def beside_label(self, spec):
        """Widgets that follow the label with the given text in the same container: how
        a combo box is found whose accessible name is its current entry."""
        rest = {k: v for k, v in spec.items() if k not in ("label", "index", "app", "pid")}
        found = []
        where = {k: spec[k] for k in ("app", "pid") if k in spec}
        for label in self.find_all(dict(where, role="label", name=spec["label"],
                                        any=spec.get("any", False))):
            siblings = children(label.get_parent())
            at = next((i for i, c in enumerate(siblings) if c == label), None)
            if at is None:
                continue
            found.extend(c for c in siblings[at + 1:]
                         if safe_role(c) != "label" and self._matches(c, rest))
        return found

    def describe(self, acc):
        info = {"role": safe_role(acc), "name": safe_name(acc), "states": sorted(states_of(acc))}
        try:
            info["extents"] = extents(acc)
        except Exception:
            pass
        return info

    def op_find(self, spec):
        return [self.describe(a) for a in self.find_all(spec)]

    def op_dump(self, max_depth=40, app=None):
        """The accessible tree of Talvora, or of the application named app."""
        lines = []

        def walk(acc, depth):
            st = states_of(acc)
            lines.append("%s%s '%s' %s" % ("  " * depth, safe_role(acc), safe_name(acc),
                                          ",".join(sorted(st & {"showing", "focused",
                                                               "selected", "enabled"}))))
            if depth < max_depth and ("showing" in st or depth == 0):
                for c in children(acc):
                    walk(c, depth + 1)

        for root in (self._apps({"app": app}) if app else [self._app()]):
            walk(root, 0)
        return "\n".join(lines)

    # ----- acting -----
    def op_press(self, spec):
        acc = self.find(spec)
        action = acc.get_action_iface()
        if action is None or action.get_n_actions() == 0:
            raise DriverError("no action on %s" % json.dumps(spec, ensure_ascii=False))
        names = [action.get_action_name(i) for i in range(action.get_n_actions())]
        index = 0
        for wanted in ("press", "click", "toggle", "activate"):
            hits = [i for i, n in enumerate(names) if n.lower() == wanted]
            if hits:
                index = hits[0]
                break
        try:
            action.do_action(index)
        except GLib.GError as e:
            # The bus waits less than a second for the answer, which comes only when the
            # click's handler returns; a handler that pauses between steps (leaving a
            # session) outlasts that, yet the press was delivered and runs.
            if "Did not receive a reply" not in str(e):
                raise
        return names[index]

    def _mouse(self, acc, kind, at=None):
        x, y, w, h = extents(acc)
        if w <= 0 or h <= 0:
            raise DriverError("%s '%s' has no size on screen" % (safe_role(acc), safe_name(acc)))
        px, py = (x + w // 2, y + h // 2) if at is None else (x + at[0], y + at[1])
        Atspi.generate_mouse_event(px, py, "abs")
        Atspi.generate_mouse_event(px, py, kind)
        return [px, py]

    def op_click(self, spec, kind="b1c", at=None):
        return self._mouse(self.find(spec), kind, at)

    def op_focus(self, spec):
        """Keyboard focus on the widget. Without a window manager nobody activates a
        window, so an inactive one is first clicked in its corner, as a user would."""
        acc = self.find(spec)
        window = acc
        while window.get_parent() is not None and window.get_parent().get_role() != \
                Atspi.Role.APPLICATION:
            window = window.get_parent()
        if "active" not in states_of(window):
            self._mouse(window, "b1c", at=(3, 3))
            self._poll(lambda: "active" in states_of(window), "window activation")
        comp = acc.get_component_iface()
        if comp is None or not comp.grab_focus():
            raise DriverError("cannot focus %s" % json.dumps(spec, ensure_ascii=False))
        self._poll(lambda: "focused" in states_of(self.find(spec)), "focus")
        return True

    def _poll(self, probe, what, timeout=5.0):
        deadline = time.monotonic() + timeout
        while not probe():
            if time.monotonic() > deadline:
                raise DriverError("no %s after %ss" % (what, timeout))
            time.sleep(0.03)

    def op_key(self, key, count=1, hold=()):
        """Presses the key count times with the modifiers in hold ("Control", "Shift")."""
        mask = 0
        for modifier in hold:
            mask |= MODIFIER_MASKS[modifier]
        if mask:
            Atspi.generate_keyboard_event(mask, None, Atspi.KeySynthType.LOCKMODIFIERS)
        try:
            for _ in range(count):
                Atspi.generate_keyboard_event(KEYSYMS[key], None, Atspi.KeySynthType.PRESSRELEASE
                                              | Atspi.KeySynthType.SYM)
        finally:
            if mask:
                Atspi.generate_keyboard_event(mask, None, Atspi.KeySynthType.UNLOCKMODIFIERS)
        return True

    def op_set_text(self, spec, text):
        acc = self.find(spec)
        editable = acc.get_editable_text_iface()
        if editable is None:
            raise DriverError("not editable: %s" % json.dumps(spec, ensure_ascii=False))
        if not editable.set_text_contents(text):
            raise DriverError("text refused by %s" % json.dumps(spec, ensure_ascii=False))
        return True

    def op_select_text(self, spec, start, end):
        """Selects characters [start, end) of a text widget, as a mouse drag would."""
        text = self.find(spec).get_text_iface()
        if text is None:
            raise DriverError("no text in %s" % json.dumps(spec, ensure_ascii=False))
        if text.get_n_selections() > 0:
            done = text.set_selection(0, start, end)
        else:
            done = text.add_selection(start, end)
        if not done:
            raise DriverError("selection refused by %s" % json.dumps(spec, ensure_ascii=False))
        return True

    # ----- reading -----
    def op_text(self, spec):
        acc = self.find(spec)
        text = acc.get_text_iface()
        if text is None:
            return safe_name(acc)
        return text.get_text(0, text.get_character_count())

    def op_inspect(self, spec):
        """Everything the bus tells about one widget (for writing scenarios)."""
        acc = self.find(spec)
        info = self.describe(acc)
        info["description"] = acc.get_description() or ""
        text = acc.get_text_iface()
        if text is not None:
            info["text"] = text.get_text(0, text.get_character_count())
        value = acc.get_value_iface()
        if value is not None:
            info["value"] = value.get_current_value()
        action = acc.get_action_iface()
        if action is not None:
            info["actions"] = [action.get_action_name(i) for i in range(action.get_n_actions())]
        try:
            info["attributes"] = dict(acc.get_attributes() or {})
        except Exception:
            pass
        info["interfaces"] = list(acc.get_interfaces())
        return info

    def op_text_style(self, spec, needle, last=True):
        """The text attributes (colour, weight...) where a piece of a text widget's
        contents begins: its last occurrence unless last is false."""
        acc = self.find(spec)
        text = acc.get_text_iface()
        if text is None:
            raise DriverError("no text in %s" % json.dumps(spec, ensure_ascii=False))
        contents = text.get_text(0, text.get_character_count())
        at = contents.rfind(needle) if last else contents.find(needle)
        if at < 0:
            raise DriverError("%r not in the text" % needle)
        run = text.get_attribute_run(at, False)
        attrs = run[0] if isinstance(run, tuple) else run
        return dict(attrs or {})

    def op_states(self, spec):
        return sorted(states_of(self.find(spec)))

    def op_rows(self, spec):
        """The rows of a tree or table as lists of cell texts. (Cells tell no colour on
        this bus: colours are read from text runs, see op_text_style.)"""
        acc = self.find(spec)
        table = acc.get_table_iface()
        if table is None:
            raise DriverError("no rows in %s" % json.dumps(spec, ensure_ascii=False))
        rows = []
        for r in range(table.get_n_rows()):
            cells = []
            for c in range(table.get_n_columns()):
                cell = table.get_accessible_at(r, c)
                cells.append(safe_name(cell) if cell is not None else "")
            rows.append(cells)
        return rows

    def op_click_cell(self, spec, row, column=0, kind="b1c"):
        """A click (b1c), double click (b1d) or right click (b3c) on a cell of a tree."""
        table = self.find(spec).get_table_iface()
        cell = table.get_accessible_at(row, column) if table is not None else None
        if cell is None:
            raise DriverError("no cell %d,%d in %s" % (row, column,
                                                      json.dumps(spec, ensure_ascii=False)))
        return self._mouse(cell, kind)

    def op_tabs(self, index=0):
        """The tabs of a tab strip (the first one showing, or the one at index) and the one
        selected. Strips are named by their current tab on this bus, so they are counted."""
        bar = self.find({"role": "page tab list", "index": index})
        tabs = [t for t in children(bar) if safe_role(t) == "page tab"]
        selected = None
        chooser = bar.get_selection_iface()
        if chooser is not None and chooser.get_n_selected_children() > 0:
            selected = safe_name(chooser.get_selected_child(0))
        else:  # this Qt marks the current tab as focused rather than selected
            selected = next((safe_name(t) for t in tabs if states_of(t) & {"selected",
                                                                            "focused"}), None)
        return {"tabs": [safe_name(t) for t in tabs], "selected": selected}

    def op_combo(self, spec):
        """The entries of a combo box and the one chosen."""
        acc = self.find(spec)
        entries, chosen = [], None
        for lst in children(acc):
            if safe_role(lst) != "list":
                continue
            for item in children(lst):
                entries.append(safe_name(item))
                if "selected" in states_of(item):
                    chosen = safe_name(item)
        if chosen is None and safe_name(acc) in entries:
            chosen = safe_name(acc)  # a fixed-list combo is named by its current entry
        return {"entries": entries, "chosen": chosen}

    def op_choose(self, spec, entry):
        """Chooses a combo entry the way a keyboard user does: the list opened, the
        arrow keys from the entry now chosen, then Enter, which makes the combo report
        the choice. Each entry's name is read as it takes the focus."""
        info = self.op_combo(spec)
        if entry not in info["entries"]:
            raise DriverError("no entry %r in %s" % (entry, info["entries"]))
        target = info["entries"].index(entry)
        current = info["entries"].index(info["chosen"]) if info["chosen"] in info["entries"] \
            else 0
        if target == current:
            return {"from": current, "to": target, "seen": []}
        acc = self.find(spec)
        action = acc.get_action_iface()
        names = [action.get_action_name(i) for i in range(action.get_n_actions())]
        self._pump(0.02)
        self.focused_items.clear()
        action.do_action(names.index("ShowMenu") if "ShowMenu" in names else 0)
        # The open list puts the focus on the entry now chosen; only then do keys reach it.
        seen = [self._next_focus(info["entries"], [])]
        delta = target - current
        for _ in range(abs(delta)):
            self.op_key("Down" if delta > 0 else "Up")
            seen.append(self._next_focus(info["entries"], seen))
        if seen[-1] != entry:
            self.op_key("Escape")
            raise DriverError("the list stopped at %r, not %r (seen %s)" % (seen[-1], entry,
                                                                              seen))
        self.op_key("Return")
        return {"from": current, "to": target, "seen": seen}

    def _next_focus(self, names, seen, timeout=5.0):
        """The name of the next entry (one of names) that takes the focus."""
        deadline = time.monotonic() + timeout
        while True:
            self._pump(0.02)
            while self.focused_items:
                _, name = self.focused_items.pop(0)
                if name in names:
                    return name
            if time.monotonic() > deadline:
                raise DriverError("no list entry took the focus (seen %s)" % seen)

    def op_menu_pick(self, entry, menu=None, max_steps=12):
        """Chooses an entry of the popup menu that is open (named menu, where given), with
        the arrow keys and Enter, reading each entry's name as it takes the focus."""
        # Keys sent before the menu is up would go to the window below it.
        deadline = time.monotonic() + 5
        self._pump(0.02)
        while self.popup_shown is None or (menu is not None and self.popup_shown != menu):
            if time.monotonic() > deadline:
                raise DriverError("no popup menu %s opened (%r is up)" % (menu or "",
                                                                         self.popup_shown))
            self._pump(0.02)
        seen = []
        for _ in range(max_steps):
            self.focused_items.clear()
            self.op_key("Down")
            deadline = time.monotonic() + 3
            item = None
            while item is None and time.monotonic() < deadline:
                self._pump(0.02)
                items = [name for role, name in self.focused_items if "menu" in role]
                item = items[-1] if items else None
            if item is None:
                raise DriverError("no menu entry took the focus (seen so far: %s)" % seen)
            if item == entry:
                self.op_key("Return")
                self._poll(lambda: (self._pump(0.02), self.popup_shown is None)[1],
                           "menu closing")
                return seen + [item]
            if item in seen:
                break
            seen.append(item)
        self.op_key("Escape")
        raise DriverError("no entry %r in the menu: %s" % (entry, seen))


def main():
    Atspi.init()
    driver = Driver()
    log("ready; DISPLAY", os.environ.get("DISPLAY"), "bus",
        os.environ.get("DBUS_SESSION_BUS_ADDRESS"))
    quit_asked = False
    try:
        for line in sys.stdin:
            line = line.strip()
            if not line:
                continue
            try:
                request = json.loads(line)
                op = request.pop("op")
                rid = request.pop("id", None)
            except Exception as e:  # a broken request line is answered, not fatal
                print(json.dumps({"ok": False, "error": "bad request: %s" % e}), flush=True)
                continue
            if op == "quit":
                quit_asked = True
                driver.op_stop()
                print(json.dumps({"id": rid, "ok": True, "result": None}), flush=True)
                break
            try:
                handler = getattr(driver, "op_" + op, None)
                if handler is None:
                    raise DriverError("unknown op " + op)
                reply = {"id": rid, "ok": True, "result": handler(**request)}
            except Exception as e:
                if not isinstance(e, DriverError):
                    log(traceback.format_exc())
                reply = {"id": rid, "ok": False, "error": str(e)}
            print(json.dumps(reply, ensure_ascii=False), flush=True)
    finally:
        driver.op_stop()
        if not quit_asked:
            # The test process is gone without saying quit (killed on a timeout): nobody
            # else will end this PC's bus and accessibility services, so end the whole
            # process group this driver belongs to, itself last.
            log("input closed; ending the PC's processes")
            os.killpg(os.getpgrp(), signal.SIGTERM)


if __name__ == "__main__":
    main()
