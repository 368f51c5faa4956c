#!/usr/bin/env python3
"""The page of talvex serve in a real headless browser (Debian's chromium through selenium).

Usage: browser_test.py TALVEX ARTIFACT_DIR. Makes an experiment with the tool, serves it on a
free loopback port, and checks that the shot table lists the shots, that a shot opens, that a
trace is plotted (the canvas is drawn and the legend names it), refined when zoomed and
overlaid by another shot's, and that a where filter applies. The screenshot stays in ARTIFACT_DIR/page.png. Exit status 77 (skipped) only where no
browser or selenium is installed.
"""
import math
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77


def skip(why):
    print(f"SKIPPED: {why}")
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    skip("python3-selenium is not installed")

BROWSER = shutil.which("chromium") or shutil.which("chromium-browser")
DRIVER = shutil.which("chromedriver") or (
    "/usr/bin/chromedriver" if os.path.exists("/usr/bin/chromedriver") else None)
if not BROWSER or not DRIVER:
    skip("chromium and chromium-driver are not installed")

TALVEX, ARTIFACTS = sys.argv[1], sys.argv[2]


def run(*args, stdin=None):
    subprocess.run([TALVEX, *args], input=stdin, text=True, check=True,
                   stdout=subprocess.DEVNULL)


def make_experiment(root):
    exp = os.path.join(root, "Exp1")
    os.makedirs(os.path.join(exp, "Shots"))
    with open(os.path.join(exp, "Exp1.ini"), "w", newline="") as f:
        f.write("[General]\r\nDescription=Browser test\r\n")
    for shot, peak, freq in (("1001", "3.25", 1.0), ("1002", "1.5", 2.0), ("1003", "4", 3.0)):
        run("-e", exp, "create", shot, "--comment", f"shot {shot}")
        run("-e", exp, "set", shot, "Peak", peak)
        samples = "\n".join(f"{math.sin(freq * i / 100.0):.6f}" for i in range(5000))
        run("-e", exp, "import", shot, "probe", "-", "--step", "0.001", stdin=samples)
    return exp


def start_server(exp, root):
    err = open(os.path.join(root, "serve-stderr.txt"), "w")
    proc = subprocess.Popen([TALVEX, "-e", exp, "serve", "--port", "0"],
                            stdout=subprocess.PIPE, stderr=err, text=True)
    line = proc.stdout.readline()
    m = re.search(r"http://\S+", line)
    if not m:
        proc.kill()
        raise SystemExit(f"FAILED: no address printed: {line!r}")
    return proc, m.group(0)


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = BROWSER
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync",
                 f"--user-data-dir={profile}", "--window-size=1400,1000"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(DRIVER), options=options)


def shot_rows(driver):
    # Read in one step in the page: the table may be replaced between two element reads.
    return driver.execute_script(
        "return [...document.querySelectorAll('#shots tbody tr')].map((r) => r.dataset.shot);")


# Non-blank pixels of the plot's canvas: those not transparent and not white.
COUNT_INK = """
const c = document.querySelector('#plot canvas');
if (!c) return -1;
const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
let n = 0;
for (let i = 0; i < d.length; i += 4)
  if (d[i + 3] > 0 && (d[i] < 250 || d[i + 1] < 250 || d[i + 2] < 250)) n++;
return n;
"""

# Pixels of the first trace's colour (#1f77b4), so that the axes alone do not count.
COUNT_TRACE = """
const c = document.querySelector('#plot canvas');
const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
let n = 0;
for (let i = 0; i < d.length; i += 4)
  if (Math.abs(d[i] - 0x1f) < 40 && Math.abs(d[i + 1] - 0x77) < 40 && Math.abs(d[i + 2] - 0xb4) < 40) n++;
return n;
"""


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def main():
    os.makedirs(ARTIFACTS, exist_ok=True)
    root = tempfile.mkdtemp(prefix="talvex-browser-")
    os.environ["HOME"] = root
    os.environ["XDG_DATA_HOME"] = os.path.join(root, "share")
    proc = driver = None
    try:
        exp = make_experiment(root)
        proc, url = start_server(exp, root)
        try:
            driver = browser(os.path.join(root, "profile"))
        except Exception as e:  # the browser is installed but cannot start here
            raise SystemExit(f"FAILED: chromium did not start: {e}")
        wait = WebDriverWait(driver, 30)
        driver.get(url)

        wait.until(lambda d: len(shot_rows(d)) == 3)
        check(sorted(shot_rows(driver)) == ["1001", "1002", "1003"], "the table lists the shots")
        check("3 shots" in driver.find_element(By.ID, "summary").text, "the summary counts them")

        driver.find_element(By.CSS_SELECTOR, '#shots tr[data-shot="1001"] a.shot').click()
        wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, '#data-table tr[data-name="probe"]'))
        check("Shot 1001" in driver.find_element(By.ID, "shot-title").text, "the shot opens")
        check("3.25" in driver.find_element(By.ID, "fields-table").text, "its fields show")

        driver.find_element(By.CSS_SELECTOR, '#data-table tr[data-name="probe"] button.plot-trace').click()
        wait.until(lambda d: "1001\\probe" in d.find_element(By.ID, "plot").text)
        wait.until(lambda d: d.execute_script(COUNT_TRACE) > 200)
        check(driver.execute_script(COUNT_INK) > 1000, "the plot canvas is drawn")

        # Zooming fetches the visible window again: every sample of it, no longer thinned.
        driver.execute_script("state.plot.setScale('x', {min: 1, max: 1.5});")
        wait.until(lambda d: d.execute_script(
            "const t = state.traces[0].t; return t[0] >= 0.999 && t[t.length - 1] <= 1.501;"))
        check(400 <= driver.execute_script("return state.traces[0].t.length;") <= 502,
              "the zoomed window holds its samples")
        driver.find_element(By.ID, "reset-zoom").click()
        wait.until(lambda d: d.execute_script("return state.traces[0].t[0] < 0.5;"))

        # A second shot's trace over the first.
        driver.find_element(By.CSS_SELECTOR, '#shots tr[data-shot="1003"] a.shot').click()
        wait.until(lambda d: "Shot 1003" in d.find_element(By.ID, "shot-title").text)
        wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, '#data-table tr[data-name="probe"]'))
        driver.find_element(By.CSS_SELECTOR, '#data-table tr[data-name="probe"] button.plot-trace').click()
        wait.until(lambda d: "1003\\probe" in d.find_element(By.ID, "plot").text)
        check("1001\\probe" in driver.find_element(By.ID, "plot").text, "both traces in the legend")

        where = driver.find_element(By.ID, "where")
        where.send_keys("Peak-2")
        driver.find_element(By.ID, "apply").click()
        wait.until(lambda d: sorted(shot_rows(d)) == ["1001", "1003"])
        check("of 2" in driver.find_element(By.ID, "range").text, "the pager counts the filtered shots")

        driver.save_screenshot(os.path.join(ARTIFACTS, "page.png"))
        print(f"screenshot: {os.path.join(ARTIFACTS, 'page.png')}")
        return 0
    finally:
        if driver:
            driver.quit()
        if proc:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
