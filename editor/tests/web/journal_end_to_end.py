#!/usr/bin/env python3
"""End-to-end test of the page's recovery journal and of the page offline, in headless Chromium.

One browser profile, served by `python3 -m http.server` on 127.0.0.1:
- a tab paints two strokes and is reloaded without saving (no "leave this page?" prompt holds it
  up); File > Recover brings the painted board back, and Undo, as far as the journal's history
  goes, reaches the board before the painting; Redo brings the recovered board again;
- the browser is killed with the board painted; started again on the same profile, Recover
  brings the board back;
- tabs A, B and D paint one after another; with all open, Recover in a fourth tab C finds
  nothing; with A and B closed, Recover in C takes B's board (the most recent journal that no
  open tab owns: D's is newer but D is open), and Recover again takes A's; B's and A's journals
  then leave the browser's storage, while D's stays; a damaged journal is reported and kept
  under another name;
- with the server stopped after those visits, the page reloads from the service worker's cache
  and still edits.

    journal_end_to_end.py --site DIR --work DIR
"""
import argparse
import os
import signal
import sys
import tempfile
import time
from pathlib import Path

sys.dont_write_bytecode = True   # no __pycache__ beside the sources
sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
import end_to_end as page_test  # noqa: E402
from end_to_end import Page  # noqa: E402
from x11_harness import CELL_H, CELL_W, SURFACE_W, Failure, check, wait_until  # noqa: E402

try:
    from selenium.webdriver.common.action_chains import ActionChains
except ImportError:
    ActionChains = None

# The files of every tab's journal in the browser's storage: {tab: [names]}.
STORED_JOURNALS = """
const done = arguments[0];
(async () => {
  const out = {};
  const root = await (await navigator.storage.getDirectory()).getDirectoryHandle(
    'gridwright-journals', {create: true});
  for await (const [tab, folder] of root.entries()) {
    out[tab] = [];
    for await (const name of folder.keys()) out[tab].push(name);
  }
  return out;
})().then(done, (error) => done(String(error)));
"""

# A torn journal left by a tab that is gone.
PLANT_DAMAGED = """
const done = arguments[0];
(async () => {
  const root = await (await navigator.storage.getDirectory()).getDirectoryHandle(
    'gridwright-journals');
  const folder = await root.getDirectoryHandle('gone', {create: true});
  const writable = await (await folder.getFileHandle('1-2.journal', {create: true}))
    .createWritable();
  await writable.write(new TextEncoder().encode('GWJOURN1 torn'));
  await writable.close();
})().then(done, (error) => done(String(error)));
"""

SETTLED = """
const done = arguments[0];
gridwright.journal.settled().then(done, (error) => done(String(error)));
"""


class Tab(Page):
    """Another tab of the same browser, or the first tab again after a reload."""

    def __init__(self, driver, url, new=True):
        self.driver = driver
        if new:
            driver.switch_to.new_window("tab")
        self.handle = driver.current_window_handle
        self.script, self.held, self.zoom = [], 0, page_test.DEVICE_SCALE
        driver.get(url)
        self.wait_started()

    def wait_started(self):
        wait_until("the page's first frame", lambda: self.js("return gridwright.firstFrame"),
                   timeout=30)
        self.locate()

    def use(self):
        self.driver.switch_to.window(self.handle)
        return self

    def paint(self, column, row, button="left"):
        """A click on a cell, through WebDriver's actions: they reach the tab in use, where the
        DevTools input events of the other end-to-end tests reach the first tab only."""
        self.use()
        canvas = self.driver.find_element("id", "surface")
        shown = self.origin[2] / SURFACE_W
        x = (column * CELL_W + CELL_W / 2) * shown - canvas.rect["width"] / 2
        y = (row * CELL_H + CELL_H / 2) * shown - canvas.rect["height"] / 2
        before = self.surface()
        actions = ActionChains(self.driver).move_to_element_with_offset(canvas, int(x), int(y))
        (actions.context_click() if button == "right" else actions.click()).perform()
        self.idle()
        check(self.surface() != before, f"painting cell ({column}, {row}) changed nothing")
        check(self.driver.execute_async_script(SETTLED) is True,
              "the journal did not reach the browser's storage")

    def menu(self, name):
        self.js(f"document.querySelector('[data-name={name}]').click()")
        time.sleep(0.1)
        wait_until(f"{name} to end", lambda: self.js("return gridwright.idle || "
                                                     "document.getElementById('message').open"))

    def message(self):
        """The failure message shown, closed with OK; None when none is shown."""
        if not self.js("return document.getElementById('message').open"):
            return None
        text = self.js("return document.getElementById('message-text').textContent")
        self.js("document.querySelector('#message button').click()")
        self.idle()
        return text

    def recover(self):
        self.menu("mnuFileRecover")
        message = self.message()
        self.idle()
        check(self.driver.execute_async_script(SETTLED) is True, "the journal did not settle")
        return message

    def offers(self, name):
        return not self.js(f"return document.querySelector('[data-name={name}]').disabled")

    def failures(self):
        return self.js("return gridwright.journal.failures")


BROWSERS = []  # every browser started, quit at the end whatever happened


def first_browser(url, work):
    page = Page(url, work / "downloads", work / "profile")
    BROWSERS.append(page.driver)
    page.handle = page.driver.current_window_handle
    page.__class__ = Tab
    return page


def kill_browser(driver):
    """The browser's main process killed outright, as a crash would end it."""
    driver_pid = driver.service.process.pid
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            status = (entry / "status").read_text()
            command = (entry / "cmdline").read_bytes().split(b"\0")
        except OSError:
            continue
        parent = int(status.split("PPid:")[1].split()[0])
        if parent == driver_pid and not any(a.startswith(b"--type=") for a in command):
            os.kill(int(entry.name), signal.SIGKILL)
            return
    raise Failure("the browser's process was not found")


def site_cache(site):
    """The cache's name that the build wrote into the service worker."""
    text = (site / "sw.js").read_text()
    return text.split("const CACHE = '")[1].split("'")[0]


def scenario(url, work, server, site):
    page = first_browser(url, work)
    start = page.surface()
    check(page.failures() == [], f"the journal's storage failed: {page.failures()}")
    check(page.js("return window.onbeforeunload") is None, "the page asks before it is left")
    # The page installs: its manifest reads without errors, and the browser finds nothing
    # missing for an app once the service worker controls the page.
    manifest = page.cdp("Page.getAppManifest")
    check(manifest.get("errors") == [] and manifest.get("url", "").endswith("manifest.webmanifest"),
          f"the manifest: {manifest.get('errors')}")
    wait_until("the service worker to control the page",
               lambda: page.js("return navigator.serviceWorker.controller !== null"), timeout=30)
    installable = page.cdp("Page.getInstallabilityErrors")
    check(installable.get("installabilityErrors") == [],
          f"the page does not install: {installable.get('installabilityErrors')}")

    # Reload without saving; Recover brings the board back with its history.
    page.paint(3, 3)
    page.paint(4, 3)
    painted = page.surface()
    check(painted != start, "painting changed nothing")
    page.driver.refresh()
    page.wait_started()
    check(page.surface() == start, "the reloaded page does not start with the sample map")
    message = page.recover()
    check(message is None, f"Recover after a reload said {message!r}")
    check(page.surface() == painted, "Recover after a reload did not bring the board back")
    # The journal kept the history: Undo walks back through the two strokes, one at a time, to
    # the board before the painting (the same board the reloaded page started with, so the
    # Recover itself adds no step).
    undone = 0
    while page.offers("mnuEditUndo") and undone < 20:
        page.command("z", "mnuEditUndo")
        undone += 1
        if undone == 1:
            check(page.surface() not in (painted, start), "the first Undo took back both strokes")
    check(undone == 2 and page.surface() == start,
          f"{undone} Undos after Recover do not reach the board before the painting")
    print(f"Undo steps after Recover: {undone}")
    page.command("y", "mnuEditRedo")
    redone = 1
    while page.offers("mnuEditRedo") and redone < 20:
        page.command("y", "mnuEditRedo")
        redone += 1
    check(page.surface() == painted, "Redo after the Undos does not bring the recovered board")

    # A crash of the browser: its next start recovers the board the journal kept.
    page.paint(5, 3)
    crashed = page.surface()
    kill_browser(page.driver)
    try:
        page.driver.quit()
    except Exception:  # noqa: BLE001 - the browser is gone already
        pass
    page = first_browser(url, work)
    check(page.recover() is None and page.surface() == crashed,
          "Recover after a crash did not bring the board back")

    # Three tabs paint in turn; a fourth recovers the newest journal no open tab owns.
    boards = {}
    tabs = {"A": page}
    tabs["A"].paint(6, 3)
    boards["A"] = tabs["A"].surface()
    for name, cell in (("B", (7, 3)), ("D", (8, 3))):
        time.sleep(0.05)  # the journals' times differ
        tabs[name] = Tab(page.driver, url)
        tabs[name].paint(*cell)
        boards[name] = tabs[name].surface()
    stored = tabs["D"].driver.execute_async_script(STORED_JOURNALS)
    owners = {name: tab.use().js("return gridwright.journal.tab") for name, tab in tabs.items()}
    for name in tabs:
        check(len(stored.get(owners[name], [])) == 1,
              f"tab {name}'s journal is not kept on its own: {stored}")
    c = Tab(page.driver, url)
    check(c.recover() == "There is nothing to recover.",
          "Recover took a journal that an open tab owns")
    for name in ("A", "B"):
        tabs[name].use().driver.close()
    c.use()
    # A closed tab's lock goes a moment after its window.
    held = "navigator.locks.query().then((s) => arguments[0](s.held.map((l) => l.name)))"
    wait_until("the closed tabs' locks to go", lambda: not {
        f"gridwright-journal-{owners[name]}" for name in ("A", "B")} & set(
        c.driver.execute_async_script(held)))
    message = c.recover()
    got = [name for name, board in boards.items() if board == c.surface()]
    check(message is None and got == ["B"],
          f"Recover did not take the most recent journal of a closed tab: {message!r}, {got}")
    check(c.recover() is None and c.surface() == boards["A"],
          "the second Recover did not take the older closed tab's journal")
    stored = c.driver.execute_async_script(STORED_JOURNALS)
    check(not stored.get(owners["A"]) and not stored.get(owners["B"]),
          f"recovered journals stayed in the storage: {stored}")
    check(len(stored.get(owners["D"], [])) == 1, f"the open tab's journal went: {stored}")
    check(c.recover() == "There is nothing to recover.", "a third Recover found a journal")
    # A damaged journal of a tab that is gone is reported and kept under another name.
    c.driver.execute_async_script(PLANT_DAMAGED)
    message = c.recover() or ""
    check("cannot be used" in message and c.message() is None,
          f"Recover said {message!r} of a damaged journal")
    stored = c.driver.execute_async_script(STORED_JOURNALS)
    check(stored.get("gone") == ["1-2.journal.unreadable"],
          f"the damaged journal is not kept aside: {stored.get('gone')}")
    check(c.failures() == [], f"the journal's storage failed: {c.failures()}")

    # Offline: the server is gone, and the page opens from the service worker's cache and edits.
    wait_until("the service worker to keep the site",
               lambda: c.js("return navigator.serviceWorker.controller !== null"), timeout=30)
    server.terminate()
    server.wait()
    c.driver.refresh()
    c.wait_started()
    version = site_cache(site)
    kept = c.driver.execute_async_script("caches.keys().then(arguments[0])")
    check(kept == [version], f"the caches kept are {kept}, not the build's {version}")
    offline_start = c.surface()
    check(offline_start == start, "the page opened offline does not show the sample map")
    c.paint(9, 3)
    check(c.surface() != offline_start, "the page opened offline does not edit")


def run(args):
    work = page_test.fresh_work(args, replay=False)
    server, origin = page_test.serve_site(Path(args.site))
    try:
        scenario(f"{origin}/", work, server, Path(args.site))
    finally:
        for driver in BROWSERS:
            try:
                driver.quit()
            except Exception:  # noqa: BLE001 - one that was killed or quit already
                pass
        page_test.stop_server(server)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--site", required=True, help="the built site (build/web/site)")
    parser.add_argument("--work", default=tempfile.mkdtemp(prefix="gridwright-journal-"))
    args = parser.parse_args()
    return page_test.run_scenario(run, args, "journal end-to-end test")


if __name__ == "__main__":
    sys.exit(main())
