"""Converts the hand-tracking networks of the @mediapipe/hands package into the ONNX models Velmora loads.

Usage: convert_models.py --package-dir third_party/node_modules/@mediapipe/hands --out build/models
"""
import argparse
import os
import sys
from pathlib import Path

import onnx

import tflite2onnx

# Output file -> (package file, byte range of the .tflite inside it or None for the whole file).
MODELS = {
    "palm.onnx": ("hands_solution_packed_assets.data", (11, 2_341_291)),  # palm_detection_full.tflite
    "hand.onnx": ("hand_landmark_full.tflite", None),
    "hand_lite.onnx": ("hand_landmark_lite.tflite", None),  # benchmarking only
}


def load_tflite(path: Path, byte_range: tuple[int, int] | None = None) -> tflite2onnx.Graph:
    """Parses a .tflite file, or one packed at [start, end) inside another file."""
    data = path.read_bytes()
    where = str(path)
    if byte_range is not None:
        start, end = byte_range
        where = f"{path} bytes [{start}, {end})"
        if not 0 <= start < end <= len(data):
            raise ValueError(f"{where}: outside the {len(data)}-byte file")
        data = data[start:end]
    try:
        return tflite2onnx.read_tflite(data)
    except ValueError as error:
        raise ValueError(f"{where}: {error}") from error


def describe(values) -> str:
    return " ".join(f"{v.name}[{'x'.join(str(d.dim_value) for d in v.type.tensor_type.shape.dim)}]" for v in values)


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--package-dir", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    args = parser.parse_args(argv)
    args.out.mkdir(parents=True, exist_ok=True)
    for name, (source, byte_range) in MODELS.items():
        model = tflite2onnx.to_onnx(load_tflite(args.package_dir / source, byte_range), Path(name).stem)
        onnx.checker.check_model(model)
        partial = args.out / (name + ".partial")  # a build stopped midway leaves no truncated model behind
        partial.write_bytes(model.SerializeToString())
        os.replace(partial, args.out / name)
        print(f"{name}: {describe(model.graph.input)} -> {describe(model.graph.output)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
