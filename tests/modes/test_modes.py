"""Velmora.exe's self-test modes end to end under Wine, run from the shipped dist/Velmora folder.

Every run happens in one Wine session (a batch file), since each Wine start costs about a second;
the tests then read the reports and exit codes it left behind.
"""
import json
import math
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
DIST = ROOT / "dist" / "Velmora"
HOST = ROOT / "build" / "host"
# The pose photos in the order they are stacked into one TIFF, with the pose each shows. Thumb up
# comes after the open hand: tracked on from a closed fist, three fingers or index + little, the
# landmark model loses it (presence about 0.73; the tracker does not search again while tracking).
POSES = [("one", 1), ("peace", 2), ("three", 3), ("fist", 4), ("rock", 6), ("palm", 7), ("like", 5)]
NUMBER = r"[0-9.e+-]+"


def testdata():
    """The photo folder the host build was configured with, so that both sides read the same files."""
    cache = (HOST / "CMakeCache.txt").read_text()
    return Path(re.search(r"^VEL_TESTDATA:PATH=(.*)$", cache, re.M).group(1)).resolve()


def wine_path(path):
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def parse_frames(report):
    """Per frame line: its fields and, when a hand was found, its 21 landmarks."""
    frames = []
    for line in report.splitlines():
        if line.startswith("frame="):
            frames.append({"fields": dict(item.split("=") for item in line.split()), "landmarks": None})
        elif re.match(r"0:", line):
            points = [item.split(":")[1].split(",") for item in line.split()]
            frames[-1]["landmarks"] = [(float(x), float(y)) for x, y in points]
    return frames


def error_to_nearest(landmarks, references):
    """Mean and largest distance to whichever reference hand is closest on average."""
    errors = []
    for reference in references:
        distances = [math.dist(found, expected) for found, expected in zip(landmarks, reference)]
        errors.append((sum(distances) / len(distances), max(distances)))
    return min(errors)


def replay_poses(frames, work):
    """The pose the gesture engine classifies for each frame's landmarks (velmora-replay)."""
    lines = []
    for index, frame in enumerate(frames):
        fields, points = frame["fields"], frame["landmarks"]
        landmarks = ";".join(f"{x},{y}" for x, y in points) if points else "-"
        lines.append(f"t={1000 + 33 * index} w={fields['width']} h={fields['height']} present={fields['valid']} "
                     f"valid={fields['valid']} presence={fields['confidence']} lm={landmarks}")
    scenario = work / "poses.replay"
    scenario.write_text("\n".join(lines) + "\n")
    output = subprocess.run([HOST / "velmora-replay", scenario], capture_output=True, text=True, check=True).stdout
    return [int(re.search(r" pose=(\d+)", line).group(1)) for line in output.splitlines()]


class SelfTestModes(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work_dir = tempfile.TemporaryDirectory(prefix="velmora-modes-")
        work = cls.work = Path(cls.work_dir.name)
        data = cls.data = testdata()

        photos = [Image.open(data / "poses" / f"{name}.png").convert("RGB") for name, _ in POSES]
        photos[0].save(work / "poses.tif", save_all=True, append_images=photos[1:])
        Image.new("RGB", (640, 480), "white").save(work / "white.png")
        # The program without its models: the executable and the runtime beside an empty folder.
        bare = work / "bare"
        (bare / "models").mkdir(parents=True)
        for name in ("Velmora.exe", "onnxruntime.dll"):
            shutil.copy(DIST / name, bare / name)

        exe = DIST / "Velmora.exe"
        runs = {
            "diagnostics": (exe, ["--diagnostics"]),
            "no_models": (bare / "Velmora.exe", ["--diagnostics"]),
            "hands": (exe, ["--test-image", data / "hands.jpg"]),
            "poses": (exe, ["--test-image", work / "poses.tif"]),
            "missing": (exe, ["--test-image", work / "absent.png"]),
            "white": (exe, ["--test-image", work / "white.png"]),
            "camera": (exe, ["--camera-test"]),
        }
        batch = ["@echo off"]
        for name, (program, arguments) in runs.items():
            words = [program, *arguments, work / f"{name}.txt"]
            batch.append(" ".join(f'"{wine_path(word)}"' if isinstance(word, Path) else word for word in words))
            batch.append(f'echo %ERRORLEVEL% > "{wine_path(work / f"{name}.code")}"')
        (work / "modes.bat").write_text("\r\n".join(batch) + "\r\n")
        wine = subprocess.run([ROOT / "tools" / "wine-run.sh", "--timeout", "300", "cmd", "/c",
                               wine_path(work / "modes.bat")], capture_output=True, text=True, check=False)
        cls.wine_output = wine.stdout + wine.stderr

        cls.results = {}
        for name in runs:
            code, report = work / f"{name}.code", work / f"{name}.txt"
            cls.results[name] = (int(code.read_text()) if code.exists() else None,
                                 report.read_text() if report.exists() else "")

    @classmethod
    def tearDownClass(cls):
        cls.work_dir.cleanup()

    def result(self, name, exit_code):
        code, report = self.results[name]
        self.assertEqual(code, exit_code, report or self.wine_output)
        return report

    def test_diagnostics_loads_both_models_and_sees_no_hand_in_a_blank_frame(self):
        report = self.result("diagnostics", 0)
        self.assertRegex(report, "^Velmora model diagnostics\n"
                                 r"Palm input: [^;\n]+; hand input: [^;\n]+; "
                                 "hand outputs: Identity Identity_1 Identity_2 Identity_3\n"
                                 "Blank frame false positive: none\n"
                                 f"Mean palm inference after warmup: {NUMBER} ms\n"
                                 r"Camera enumeration \(camera not opened\):\n$")

    def test_diagnostics_without_models_writes_only_the_error(self):
        report = self.result("no_models", 1)
        self.assertRegex(report, r"^ERROR: [^\n]*palm\.onnx[^\n]*\n$")

    def test_hands_photo_gives_one_frame_close_to_a_reference_hand(self):
        report = self.result("hands", 0)
        frames = parse_frames(report)
        self.assertEqual(len(frames), 1, report)
        self.assertEqual({key: frames[0]["fields"][key] for key in ("frame", "width", "height", "valid")},
                         {"frame": "0", "width": "720", "height": "382", "valid": "1"})
        references = json.loads((self.data / "hands.keypoints.json").read_text())["hands"]
        mean, largest = error_to_nearest(frames[0]["landmarks"], references)
        # The tracker tests' tolerances for the first step on this photo.
        self.assertLessEqual(mean, 6.0)
        self.assertLessEqual(largest, 17.0)
        self.assertTrue(report.endswith("Detected 1 / 1 frames\n"), report)

    def test_multi_frame_tiff_is_tracked_like_its_photos_on_the_host(self):
        report = self.result("poses", 0)
        self.assertTrue(report.endswith("Detected 7 / 7 frames\n"), report)
        frames = parse_frames(report)
        photos = [self.data / "poses" / f"{name}.png" for name, _ in POSES]
        track = subprocess.run([HOST / "velmora-track", *photos], capture_output=True, text=True, check=True).stdout
        host_frames = parse_frames(track)
        self.assertEqual([frame["fields"]["frame"] for frame in frames], [str(i) for i in range(len(POSES))])
        for name, frame, host in zip(POSES, frames, host_frames):
            with self.subTest(photo=name[0]):
                self.assertEqual(frame["fields"]["valid"], "1")
                gap = max(math.dist(a, b) for a, b in zip(frame["landmarks"], host["landmarks"]))
                self.assertLess(gap, 1.0)
        host_poses = [int(frame["fields"]["pose"]) for frame in host_frames]
        self.assertEqual(replay_poses(frames, self.work), host_poses)
        self.assertEqual(host_poses, [pose for _, pose in POSES])

    def test_missing_image_stops_at_the_decode_step(self):
        self.assertEqual(self.result("missing", 1), "ERROR: Decode test image (0x80070002)\n")

    def test_photo_without_a_hand_reports_its_frame_and_fails(self):
        report = self.result("white", 2)
        self.assertRegex(report, f"^frame=0 width=640 height=480 valid=0 confidence={NUMBER} ms={NUMBER}\n"
                                 "Detected 0 / 1 frames\n$")

    def test_camera_test_without_a_camera_fails(self):
        self.assertEqual(self.result("camera", 2), "ERROR: No camera detected\nResult: FAIL\n")


if __name__ == "__main__":
    unittest.main()
