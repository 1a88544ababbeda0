"""Writes tiny palm/hand ONNX model pairs with one deliberately wrong output layout each, for the C++ runtime tests.

Each output holds the first N values of the NHWC input in row-major order, so tests can predict it.
Usage: make_test_models.py OUT_DIR   (writes OUT_DIR/<case>/palm.onnx and OUT_DIR/<case>/hand.onnx)
"""
import argparse
import math
import sys
from pathlib import Path

import onnx
from onnx import TensorProto, helper

INPUT = "input_1"
PALM_SIZE, HAND_SIZE = 192, 224
PALM_OUTPUTS = [("Identity", [1, 2016, 18]), ("Identity_1", [1, 2016, 1])]
HAND_OUTPUTS = [("Identity", [1, 63]), ("Identity_1", [1, 1]), ("Identity_2", [1, 1]), ("Identity_3", [1, 63])]

# Folder -> (palm outputs, hand outputs); in each pair exactly one model is malformed.
CASES = {
    "palm3outputs": (PALM_OUTPUTS + [("Identity_2", [1, 2016, 1])], HAND_OUTPUTS),
    "hand2outputs": (PALM_OUTPUTS, HAND_OUTPUTS[:2]),
    "handnames": (PALM_OUTPUTS, [("landmarks", [1, 63]), ("presence", [1, 1]), ("handedness", [1, 1]),
                                 ("world_landmarks", [1, 63])]),
    "palmshape": ([("Identity", [1, 1000, 18]), ("Identity_1", [1, 1000, 1])], HAND_OUTPUTS),
}


def tiny_model(size: int, outputs: list[tuple[str, list[int]]]) -> onnx.ModelProto:
    """NHWC float input [1, size, size, 3]; each output is a reshaped prefix of the flattened input."""
    constants = [helper.make_tensor("flat_shape", TensorProto.INT64, [2], [1, -1]),
                 helper.make_tensor("zero", TensorProto.INT64, [1], [0]),
                 helper.make_tensor("axis", TensorProto.INT64, [1], [1])]
    nodes = [helper.make_node("Reshape", [INPUT, "flat_shape"], ["flat"])]
    for name, shape in outputs:
        constants += [helper.make_tensor(f"{name}_count", TensorProto.INT64, [1], [math.prod(shape)]),
                      helper.make_tensor(f"{name}_shape", TensorProto.INT64, [len(shape)], shape)]
        nodes += [helper.make_node("Slice", ["flat", "zero", f"{name}_count", "axis"], [f"{name}_prefix"]),
                  helper.make_node("Reshape", [f"{name}_prefix", f"{name}_shape"], [name])]
    graph = helper.make_graph(
        nodes, "tiny", [helper.make_tensor_value_info(INPUT, TensorProto.FLOAT, [1, size, size, 3])],
        [helper.make_tensor_value_info(name, TensorProto.FLOAT, shape) for name, shape in outputs], constants)
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 13)])
    onnx.checker.check_model(model)
    return model


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", type=Path)
    args = parser.parse_args(argv)
    for case, (palm, hand) in CASES.items():
        folder = args.out / case
        folder.mkdir(parents=True, exist_ok=True)
        onnx.save(tiny_model(PALM_SIZE, palm), folder / "palm.onnx")
        onnx.save(tiny_model(HAND_SIZE, hand), folder / "hand.onnx")
    print(f"wrote {len(CASES)} model pairs to {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
