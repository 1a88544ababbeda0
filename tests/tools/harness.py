"""Shared test plumbing: paths, the error measure, and ONNX Runtime through its node binding (ort_runner.js)."""
import atexit
import base64
import contextlib
import json
import subprocess
from pathlib import Path

import numpy as np

REPO_ROOT = Path(__file__).resolve().parents[2]
NODE_MODULES = REPO_ROOT / "third_party" / "node_modules"
HANDS_PACKAGE = NODE_MODULES / "@mediapipe" / "hands"

TOLERANCE = 1e-4
# What Velmora's runtime expects of the models, as (name, shape) in output order.
PALM_OUTPUTS = [("Identity", (1, 2016, 18)), ("Identity_1", (1, 2016, 1))]
HAND_OUTPUTS = [("Identity", (1, 63)), ("Identity_1", (1, 1)), ("Identity_2", (1, 1)), ("Identity_3", (1, 63))]


def relative_error(actual: np.ndarray, reference: np.ndarray) -> float:
    """max|a - b| / max(1, max|ref|): relative for large outputs, absolute near zero."""
    actual, reference = np.asarray(actual, np.float64), np.asarray(reference, np.float64)
    if actual.shape != reference.shape:
        raise AssertionError(f"shape {actual.shape} != reference shape {reference.shape}")
    return float(np.max(np.abs(actual - reference), initial=0.0) / max(1.0, np.max(np.abs(reference), initial=0.0)))


class OrtRunner:
    """One long-lived node process, so each model run costs no interpreter start-up."""

    def __init__(self):
        if not (NODE_MODULES / "onnxruntime-node").is_dir():
            raise RuntimeError(f"{NODE_MODULES / 'onnxruntime-node'} is missing; install third_party first")
        self._process = subprocess.Popen(
            ["node", str(Path(__file__).with_name("ort_runner.js")), str(NODE_MODULES)],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def run(self, model_path, feeds: dict) -> dict:
        """Runs the model; returns its outputs in graph order as {name: float32 array}."""
        request = {"model": str(model_path), "inputs": {
            name: {"dims": list(array.shape),
                   "data": base64.b64encode(np.ascontiguousarray(array, np.float32).tobytes()).decode()}
            for name, array in feeds.items()}}
        try:
            self._process.stdin.write(json.dumps(request) + "\n")
            self._process.stdin.flush()
            line = self._process.stdout.readline()
        except BrokenPipeError:
            line = ""
        if not line:
            raise RuntimeError("the ONNX Runtime helper (node) has exited; its error is printed above")
        reply = json.loads(line)
        if "error" in reply:
            raise RuntimeError(f"ONNX Runtime: {reply['error']}")
        return {out["name"]: np.frombuffer(base64.b64decode(out["data"]), np.float32).reshape(out["dims"])
                for out in reply["outputs"]}

    def close(self):
        with contextlib.suppress(BrokenPipeError):
            self._process.stdin.close()
        self._process.wait()


_runner = None


def ort() -> OrtRunner:
    global _runner
    if _runner is None:
        _runner = OrtRunner()
        atexit.register(_runner.close)
    return _runner
