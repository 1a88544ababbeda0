"""Velmora.exe's self-test modes under Wine, run from the shipped dist/Velmora folder (make dist-folder).
All runs share one Wine session (a batch file), since each Wine start costs about a second."""
import json
import math
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
DIST, HOST = ROOT / "dist" / "Velmora", ROOT / "build" / "host"
# The pose photos in TIFF page order, with their poses. Thumb up comes after the open hand: tracked on from a
# closed fist, three fingers or index + little, the landmark model loses it (presence about 0.73), and the
# tracker does not search again while it tracks.
POSES = [("one", 1), ("peace", 2), ("three", 3), ("fist", 4), ("rock", 6), ("palm", 7), ("like", 5)]
NUMBER = r"[0-9.e+-]+"


def wine_path(path):
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def landmarks(report):
    """The 21 landmarks of each frame that found a hand (its line "0:x,y 1:x,y ...")."""
    lines = re.findall("^0:.*$", report, re.M)
    return [[tuple(map(float, point.split(":")[1].split(","))) for point in line.split()] for line in lines]


class SelfTestModes(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        work_dir = tempfile.TemporaryDirectory(prefix="velmora-modes-")
        cls.addClassCleanup(work_dir.cleanup)
        work = Path(work_dir.name)
        # The photos the host build was configured with, so that both sides read the same files.
        cache = (HOST / "CMakeCache.txt").read_text()
        data = cls.data = Path(re.search(r"^VEL_TESTDATA:PATH=(.*)$", cache, re.M).group(1)).resolve()
        photos = [Image.open(data / "poses" / f"{name}.png").convert("RGB") for name, _ in POSES]
        photos[0].save(work / "poses.tif", save_all=True, append_images=photos[1:])
        Image.new("RGB", (640, 480), "white").save(work / "white.png")
        runs = {"diagnostics": ["--diagnostics"], "hands": ["--test-image", data / "hands.jpg"],
                "poses": ["--test-image", work / "poses.tif"], "missing": ["--test-image", work / "absent.png"],
                "white": ["--test-image", work / "white.png"], "camera": ["--camera-test"], "smoke": ["--smoke-test"]}
        batch = ["@echo off"]
        for name, words in runs.items():
            words = [DIST / "Velmora.exe", *words, work / f"{name}.txt"]
            command = " ".join(f'"{wine_path(w)}"' if isinstance(w, Path) else w for w in words)
            # Wine's cmd now and then fails to start a program at all (9009): then once more.
            batch += [command, f"if %ERRORLEVEL% == 9009 {command}"]
            batch.append(f'echo %ERRORLEVEL% > "{wine_path(work / name)}.code"')
        (work / "modes.bat").write_text("\r\n".join(batch) + "\r\n")
        wine = subprocess.run([ROOT / "tools" / "wine-run.sh", "--timeout", "300", "cmd", "/c",
                               wine_path(work / "modes.bat")], capture_output=True, text=True, check=False)
        cls.wine_output = wine.stdout + wine.stderr
        read = lambda path: path.read_text() if path.exists() else ""
        cls.results = {name: (read(work / f"{name}.code"), read(work / f"{name}.txt")) for name in runs}

    def result(self, name, exit_code):
        code, report = self.results[name]
        self.assertEqual(int(code) if code else None, exit_code, report or self.wine_output)
        return report

    def test_diagnostics(self):
        self.assertRegex(self.result("diagnostics", 0),
                         r"^Velmora model diagnostics\nPalm input: [^;\n]+; hand input: [^;\n]+; "
                         "hand outputs: Identity Identity_1 Identity_2 Identity_3\nBlank frame false positive: none\n"
                         f"Mean palm inference after warmup: {NUMBER} ms\n"
                         r"Camera enumeration \(camera not opened\):\n$")

    def test_hands_photo_gives_one_frame_close_to_a_reference_hand(self):
        report = self.result("hands", 0)
        self.assertRegex(report, "^frame=0 width=720 height=382 valid=1 ")
        [found] = landmarks(report)
        references = json.loads((self.data / "hands.keypoints.json").read_text())["hands"]
        nearest = min(([math.dist(a, b) for a, b in zip(found, hand)] for hand in references), key=sum)
        # The tracker tests' tolerances for a first step on this photo.
        self.assertLessEqual(sum(nearest) / len(nearest), 6.0)
        self.assertLessEqual(max(nearest), 17.0)
        self.assertTrue(report.endswith("Detected 1 / 1 frames\n"), report)

    def test_multi_frame_tiff_is_tracked_like_its_photos_on_the_host(self):
        report = self.result("poses", 0)
        self.assertTrue(report.endswith("Detected 7 / 7 frames\n"), report)
        track = subprocess.run([HOST / "velmora-track", *(self.data / "poses" / f"{name}.png" for name, _ in POSES)],
                               capture_output=True, text=True, check=True).stdout
        self.assertEqual([str(pose) for _, pose in POSES], re.findall(r" pose=(\d+)", track))
        for (name, _), found, host in zip(POSES, landmarks(report), landmarks(track), strict=True):
            self.assertLess(max(math.dist(a, b) for a, b in zip(found, host, strict=True)), 1.0, name)

    def test_failures(self):
        self.assertEqual(self.result("missing", 1), "ERROR: Decode test image (0x80070002)\n")
        self.assertRegex(self.result("white", 2), f"^frame=0 width=640 height=480 valid=0 confidence={NUMBER} "
                         f"ms={NUMBER}\nDetected 0 / 1 frames\n$")
        self.assertEqual(self.result("camera", 2), "ERROR: No camera detected\nResult: FAIL\n")

    def test_smoke_test_passes(self):
        report = self.result("smoke", 0)
        numbers = re.findall(r"^(?:(?:Peak w|W)orking set bytes|Model startup wait ms): (\d+)$", report, re.M)
        self.assertEqual(report, SMOKE_REPORT.format(*numbers))
        self.assertLessEqual(int(numbers[0]), int(numbers[1]))


# The smoke report of a complete folder, numbers aside (working set, peak, model start-up wait).
SMOKE_REPORT = """Native window created: yes
Local models initialized: 1
Camera off: 1
Desktop control off: 1
Start control available without preview: 1
Pause hotkey registered: 1
Physical mouse hook registered: 1
Working set bytes: {0}
Peak working set bytes: {1}
Home (automatic) visible controls: 3
General (automatic) visible controls: 10
Gestures (automatic) visible controls: 9
Home (fixed) visible controls: 3
General (fixed) visible controls: 11
Gestures (fixed) visible controls: 9
Page visibility and hidden settings: 1
All visible controls within client bounds on all pages: 1
All gesture image sheets decoded: 1 (4 sheets, 6 assignable poses)
Inline practice with no learning windows: 1
Gesture catalog valid: 1
Transparent filling circle and guidance created (no toolbar): 1
Model startup wait ms: {2}
Result: PASS
"""


@unittest.skipUnless(os.environ.get("VEL_CHECK"), "waits 60 s for models that never load: make check")
class SmokeTestWithoutModels(unittest.TestCase):
    def test_fails_after_the_model_wait_with_the_tracker_error(self):
        with tempfile.TemporaryDirectory(prefix="velmora-smoke-") as folder:
            shutil.copytree(DIST, Path(folder) / "Velmora", ignore=shutil.ignore_patterns("*.onnx"))
            report = Path(folder) / "smoke.txt"
            wine = subprocess.run([ROOT / "tools" / "wine-run.sh", "--timeout", "200", Path(folder) / "Velmora" /
                                   "Velmora.exe", "--smoke-test", wine_path(report)], capture_output=True, text=True)
            self.assertEqual(wine.returncode, 2, wine.stdout + wine.stderr)
            text = report.read_text()
        self.assertIn("\nLocal models initialized: 0\n", text)
        self.assertGreaterEqual(int(re.search(r"wait ms: (\d+)", text).group(1)), 60000)
        self.assertRegex(text, r"\nApp error: Tracker unavailable: [^\n]+\nResult: FAIL\n$")
