"""Tests of the model tools; from the repository root: python3 -m unittest discover -s tests/tools -t ."""
import json
import subprocess
import sys
from pathlib import Path

import numpy as np

ROOT = Path(__file__).resolve().parents[2]
NODE_MODULES = ROOT / "third_party" / "node_modules"
sys.path.insert(0, str(ROOT / "tools"))  # the tools are scripts, not a package


def run_onnx(path, feeds: dict) -> dict:
    """Outputs of ONNX Runtime (through its node binding) in graph order, as {name: float32 array}."""
    request = {"model": str(path), "inputs": {n: [list(a.shape), np.ravel(a).tolist()] for n, a in feeds.items()}}
    reply = subprocess.run(["node", Path(__file__).with_name("ort_runner.js"), NODE_MODULES],
                           input=json.dumps(request), capture_output=True, text=True, check=False)
    if reply.returncode:
        raise RuntimeError(f"ONNX Runtime: {reply.stderr}")
    return {name: np.array(values, np.float32).reshape(dims) for name, dims, values in json.loads(reply.stdout)}


def assert_close(actual, reference, message=""):
    """Within 1e-4 of the reference's largest magnitude (at least 1): relative for large outputs, absolute near 0."""
    limit = 1e-4 * max(1.0, np.max(np.abs(reference)))
    np.testing.assert_allclose(actual, reference, rtol=0, atol=limit, err_msg=message)
