#!/usr/bin/env python3
"""End-to-end test of the overview of a map's levels in the web page, in a real headless Chromium.

The page starts with the sample map; Tab, pressed as a user presses it, shows the overview of its
levels. The key is written down as the core receives it, and the host build's replay_events runs
it through the core without a window: the canvas must equal the core's picture of the page pixel
for pixel, and the browser must not have moved the keyboard focus.

    levels_end_to_end.py --site DIR --replay PATH --work DIR [--screenshots DIR]
"""
import argparse
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True   # no __pycache__ beside the sources
sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
import end_to_end as page_test  # noqa: E402
from end_to_end import Page, compare_pictures, read_ppm  # noqa: E402
from x11_harness import caption_with, check  # noqa: E402

TAB = 9   # the DevTools key code of Tab


def scenario(page, work, shots):
    check(page.caption() == caption_with("sample.qmap"), f"caption {page.caption()!r}")
    board = page.surface()
    focused = page.js("return document.activeElement")
    for kind in ("rawKeyDown", "keyUp"):
        page.cdp("Input.dispatchKeyEvent", type=kind, key="Tab", code="Tab",
                 windowsVirtualKeyCode=TAB)
    page.script.append("key Tab 0")
    page.idle()
    page.script.append(f"picture {work / 'overview.ppm'}")
    shown = page.surface()
    check(shown != board, "Tab left the board on the canvas")
    check(page.js("return document.activeElement") == focused, "Tab moved the keyboard focus")
    if shots:
        page.driver.save_screenshot(str(Path(shots) / "web-overview.png"))
    return shown


def run(args):
    work = page_test.fresh_work(args)
    site = Path(args.site)
    server, origin = page_test.serve_site(site)
    page = None
    try:
        page = Page(f"{origin}/", work / "downloads", work / "profile")
        shown = scenario(page, work, args.screenshots)
        page_test.replay(page, args, work, None)
        _, _, expected = read_ppm(work / "overview.ppm")
        compare_pictures("the overview against the core's", shown, expected)
    finally:
        if page is not None:
            page.quit()
        page_test.stop_server(server)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--site", required=True, help="the built site (build/web/site)")
    parser.add_argument("--replay", required=True, help="the host build's replay_events")
    parser.add_argument("--work", default=tempfile.mkdtemp(prefix="gridwright-web-levels-"))
    parser.add_argument("--screenshots", help="also save the page with the overview there")
    args = parser.parse_args()
    return page_test.run_scenario(run, args, "levels end-to-end test")


if __name__ == "__main__":
    sys.exit(main())
