"""The browser page in a real browser: headless Chromium with no network
loads it from its file and its results are compared with the native build's,
bit for bit and byte for byte; its fields are driven by keyboard; a
screenshot is saved.

    page_test.py PAGE TBCALC TBFORWARD TBRETRIEVE SCREENSHOT   (tbcalc on PYTHONPATH)
"""
import json
import pathlib
import subprocess
import sys
import tempfile
import unittest

import numpy as np
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import tbcalc
from headless import browser

PAGE, TBCALC, TBFORWARD, TBRETRIEVE, SCREENSHOT = sys.argv[1:6]
CASES = 3000
RANGES = {"sst": (-5, 45), "altitude": (1, 16000), "air": (-70, 45), "wind": (0, 150),
          "rain": (-10, 150), "salinity": (0, 40)}
# Rows a flight file may get wrong, each reported as the programs report it.
FLIGHT = """time,sst,altitude,air,wind,rain,salinity
1,28.5,3000,12,18,0,36
2,28.5,3000,12,25,4,35
3,hot,3000,12,25,4,35
4,28.5,3000,12,31.9,60,30
5,28.5,3000,,25,4,36
6,301.5,3000,12,25,4,36
7,-1.5,300,-20,7,0.5,8
"""


def plain(value):
    """A native value as the page's script() gives it back."""
    value = np.asarray(value)
    if value.dtype.kind in "UO":
        return str(value)
    value = float(value)
    if np.isnan(value):
        return "NaN"
    if np.isinf(value):
        return "Infinity" if value > 0 else "-Infinity"
    return value


def run(program, *args, stdin=b""):
    done = subprocess.run([program, *args], input=stdin, capture_output=True, check=False)
    return done.stdout, done.stderr, done.returncode


class Page(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.driver = browser(cls.scratch.name)
        cls.driver.set_script_timeout(300)
        cls.driver.get(pathlib.Path(PAGE).resolve().as_uri())
        cls.driver.execute_async_script("tbcalc.ready.then(() => arguments[0]())")

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.scratch.cleanup()

    def script(self, body, *args):
        """Runs `body` (with `args` as `args`) in the page; its value back
        through JSON, which reads every double back exactly (json(v) sends the
        values JSON has no number for as plain() names them)."""
        return json.loads(self.driver.execute_script(
            "const args = arguments; const json = (v) => typeof v !== 'number' ||"
            " Number.isFinite(v) ? v : String(v);"
            f"return JSON.stringify((() => {{ {body} }})());", *args))

    def random_scenes(self, rng):
        return {name: rng.uniform(low, high, CASES) for name, (low, high) in RANGES.items()}

    def test_brightness_is_the_native_model_bit_for_bit(self):
        scenes = self.random_scenes(np.random.default_rng(1))
        native = tbcalc.brightness(*(scenes[name] for name in RANGES))
        page = self.script(
            "return args[0].map((s) => tbcalc.brightness(...s));",
            np.column_stack([scenes[name] for name in RANGES]).tolist())
        np.testing.assert_array_equal(np.array(page), native)

    def test_retrieval_is_the_native_retrieval_bit_for_bit(self):
        rng = np.random.default_rng(2)
        scenes = self.random_scenes(rng)
        tb = tbcalc.brightness(*(scenes[name] for name in RANGES)) + rng.normal(0, 0.5, (CASES, 6))
        noise = rng.uniform(0.2, 1.5, (CASES, 6))
        noise[::2] = 0.5  # half with one noise for all channels
        intervals = np.arange(CASES) % 3 == 0
        cases = [{"sst": scenes["sst"][k], "altitude": scenes["altitude"][k],
                  "air": scenes["air"][k], "salinity": scenes["salinity"][k], "tb": tb[k].tolist(),
                  "noise": 0.5 if k % 2 == 0 else noise[k].tolist(),
                  "intervals": bool(intervals[k]), "level": 0.9} for k in range(CASES)]
        page = self.script("return args[0].map((c) => Object.entries(tbcalc.retrieve(c))"
                           ".map(([k, v]) => [k, json(v)]));", cases)
        for k, fields in enumerate(page):
            native = tbcalc.retrieve(cases[k]["sst"], cases[k]["altitude"], cases[k]["air"],
                                     tb[k], cases[k]["noise"], cases[k]["salinity"],
                                     intervals=cases[k]["intervals"], level=0.9)
            self.assertEqual(dict(fields), {name: plain(getattr(native, name))
                                            for name, _ in fields}, f"case {k}")

    def test_misfit_map_is_the_native_map(self):
        scene = dict(sst=28.5, altitude=3000, air=12, salinity=35,
                     tb=tbcalc.brightness(28.5, 3000, 12, 31.5, 3, 35).tolist(), noise=0.5)
        grid = dict(wind=[20, 40, 81], rain=[-10, 30, 61])
        page = self.script("const m = tbcalc.misfitMap(args[0]);"
                           "return [Array.from(m.wind), Array.from(m.rain), Array.from(m.chi2)];",
                           {**scene, **grid})
        native = tbcalc.misfit_map(scene["sst"], scene["altitude"], scene["air"], scene["tb"],
                                   0.5, scene["salinity"], wind=tuple(grid["wind"]),
                                   rain=tuple(grid["rain"]))
        np.testing.assert_array_equal(page[0], native.wind)
        np.testing.assert_array_equal(page[1], native.rain)
        np.testing.assert_array_equal(np.reshape(page[2], native.chi2.shape), native.chi2)

    def test_tables_are_the_programs_output_byte_for_byte(self):
        forward, _, _ = run(TBFORWARD, "--header", stdin=FLIGHT.encode())
        for program, args, text in ((TBFORWARD, ["--header"], FLIGHT),
                                    (TBRETRIEVE, ["--header", "--noise", "0.4"], forward.decode()),
                                    (TBRETRIEVE, ["--bogus"], "")):
            with self.subTest(program=program, args=args):
                path = pathlib.Path(self.scratch.name, "flight.csv")
                path.write_text(text)
                with open(path, "rb") as f:
                    native = subprocess.run([program, *args, "--", "flight.csv"], stdin=f,
                                            capture_output=True, cwd=self.scratch.name)
                page = self.driver.execute_async_script(
                    "const done = arguments[arguments.length - 1]; let read = 0;"
                    "tbcalc.runTable(arguments[0], arguments[1], {args: arguments[2],"
                    " fileName: 'flight.csv', onProgress: (n) => { read = n; }}).then((r) =>"
                    " done([Array.from(r.outputBytes), r.messages, r.exitStatus, read,"
                    " tbcalc.tableThread]), (e) => done(String(e)));",
                    pathlib.Path(program).name, text, args)
                self.assertEqual(bytes(page[0]), native.stdout)
                self.assertEqual(page[1], native.stderr.decode())
                self.assertEqual(page[2], native.returncode)
                self.assertEqual(page[3:], [len(text.encode()) if text and "--bogus" not in args
                                            else 0, "worker"])
        self.assertIn(b"not a number", run(TBFORWARD, "--header", stdin=FLIGHT.encode())[1])

    def test_what_the_api_refuses(self):
        scene = "{sst: 20, altitude: 1500, air: 10, tb: [150, 152, 153, 155, 158, 160]"
        for call, expected in (
                ("tbcalc.brightness(20, 1500, 10, 10, '5')", "TypeError: rain: a number"),
                ("tbcalc.brightness(20, 1500, 10, 10, 5, null)", "TypeError: salinity"),
                ("tbcalc.brightness(20, 99999, 10, 10, 5)", "RangeError: radar altitude 99999"),
                (f"tbcalc.retrieve({{...{scene}}}, noise: {{length: 1e9}}}})", "TypeError: noise"),
                (f"tbcalc.retrieve({{...{scene}}}, noise: 0}})", "RangeError"),
                (f"tbcalc.retrieve({{...{scene}}}, air: 300}}).problem",
                 "air temperature 300 out of range (-70 to 45 deg C): kelvin?"),
                (f"tbcalc.misfitMap({{...{scene}}}, wind: [0, 10, 2.5]}})", "TypeError: wind"),
                (f"tbcalc.misfitMap({{...{scene}}}, wind: [0, 200, 3]}})", "RangeError"),
                ("tbcalc.runTable('tbforward', '', {args: '--header'})", "TypeError: runTable")):
            with self.subTest(call=call):
                said = self.driver.execute_async_script(
                    "const done = arguments[0];"
                    f"(async () => {call})().then((v) => done(String(v)),"
                    " (e) => done(e.name + ': ' + e.message));")
                self.assertTrue(said.startswith(expected), said)

    def test_fields_by_keyboard(self):
        driver = self.driver
        sst = driver.find_element(By.ID, "forward-sst")
        sst.click()
        sst.send_keys(Keys.CONTROL, "a")
        sst.send_keys("20.5", Keys.TAB)
        # Tab leaves the sliders out: the next field is the altitude's.
        self.assertEqual(driver.switch_to.active_element.get_attribute("id"), "forward-altitude")
        driver.switch_to.active_element.send_keys(Keys.CONTROL, "a")
        driver.switch_to.active_element.send_keys("1500")
        replies = "20.5\n1500\n12\n25\n10\nex\n".encode()
        dialogue, _, _ = run(TBCALC, stdin=replies)
        lines = driver.find_element(By.ID, "forward-lines").text
        self.assertIn(lines.split("\n")[1], dialogue.decode())
        driver.find_element(By.ID, "forward-altitude").send_keys(Keys.CONTROL, "a", Keys.NULL, "99999")
        self.assertIn("out of range", driver.find_element(By.ID, "forward-lines").text)
        driver.find_element(By.ID, "forward-altitude").send_keys(Keys.CONTROL, "a", Keys.NULL, "3000")

    def test_zz_screenshot(self):
        # A scene near the break at 31.9 m/s, whose map shows two basins.
        driver = self.driver
        for name, value in (("wind", "31.5"), ("rain", "2")):
            driver.find_element(By.ID, f"forward-{name}").send_keys(Keys.CONTROL, "a", Keys.NULL,
                                                                    value)
        driver.find_element(By.ID, "retrieve-from-forward").click()
        self.assertIn("converged", driver.find_element(By.ID, "retrieve-result").text)
        driver.set_window_size(1000, 1900)
        driver.execute_script("window.scrollTo(0, 0)")
        driver.save_screenshot(SCREENSHOT)
        self.assertGreater(pathlib.Path(SCREENSHOT).stat().st_size, 10000)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
