"""tools/tflite2onnx.py in ONNX Runtime against the NumPy reference: each op on a synthetic graph, then the palm
and hand models as tools/convert_models.py writes them, on a real photo."""
import contextlib
import io
import tempfile
import unittest
from pathlib import Path

import numpy as np
import onnx
from PIL import Image

import convert_models
from tflite2onnx import Graph, Operator, Tensor, to_onnx

from . import NODE_MODULES, ROOT, assert_close, run_onnx, tflite_reference


class Builder:
    """A TFLite-IR graph that the reference evaluates as it grows, so every shape is known."""

    def __init__(self):
        self.rng = np.random.default_rng(0)
        self.tensors, self.operators, self.inputs, self.values = [], [], [], {}

    def add(self, name, value, data=None) -> int:
        self.values[len(self.tensors)] = value
        self.tensors.append(Tensor(f"{name}{len(self.tensors)}", value.shape, np.dtype(value.dtype), data))
        return len(self.tensors) - 1

    def input(self, *shape) -> int:
        self.inputs.append(self.add("input", self.rng.standard_normal(shape).astype(np.float32)))
        return self.inputs[-1]

    def ints(self, *values) -> int:
        return self.add("const", np.array(values, np.int32), np.array(values, np.int32))

    def weights(self, *shape) -> int:  # float16, as in the models
        half = (self.rng.standard_normal(shape) * 0.5).astype(np.float16)
        return self.op("DEQUANTIZE", self.add("const", half, half))

    def op(self, kind, *inputs, **options) -> int:
        self.operators.append(Operator(kind, list(inputs), [len(self.tensors)], options))
        tflite_reference.apply(self.operators[-1], self.values)
        return self.add(kind.lower(), self.values.pop(len(self.tensors)).astype(np.float32))

    def nchw(self, *shape) -> int:
        """An activation the converter holds in NCHW: a 1x1 convolution of a fresh input."""
        return self.op("CONV_2D", self.input(*shape), self.weights(shape[3], 1, 1, shape[3]), self.weights(shape[3]))


def window(padding, stride, size=2, activation="NONE"):
    return dict(padding=padding, stride_h=stride, stride_w=stride, filter_height=size, filter_width=size,
                fused_activation_function=activation)


CASES = [
    ("CONV_2D 3x3 SAME stride 2 RELU6, pads 0 before and 1 after", lambda b: b.op(
        "CONV_2D", b.input(1, 8, 6, 3), b.weights(4, 3, 3, 3), b.weights(4), **window("SAME", 2, 3, "RELU6"))),
    ("CONV_2D 5x5 SAME stride 2, pads 1 before and 2 after", lambda b: b.op(
        "CONV_2D", b.input(1, 10, 12, 3), b.weights(4, 5, 5, 3), b.weights(4), **window("SAME", 2))),
    ("DEPTHWISE_CONV_2D 3x3 RELU6", lambda b: b.op("DEPTHWISE_CONV_2D", b.nchw(1, 7, 5, 4), b.weights(1, 3, 3, 4),
                                                   b.weights(4), **window("SAME", 1, 3, "RELU6"))),
    ("DEPTHWISE_CONV_2D 5x5 SAME stride 2", lambda b: b.op(
        "DEPTHWISE_CONV_2D", b.nchw(1, 9, 8, 4), b.weights(1, 5, 5, 4), b.weights(4), **window("SAME", 2))),
    # Random inputs are often negative: SAME padding must not act as zeros.
    ("MAX_POOL_2D SAME", lambda b: b.op("MAX_POOL_2D", b.nchw(1, 9, 7, 3), **window("SAME", 2))),
    ("MAX_POOL_2D VALID, strides 2 x 1", lambda b: b.op("MAX_POOL_2D", b.nchw(1, 9, 6, 3), **window("VALID", 2) | {
        "stride_w": 1})),
    ("ADD of NCHW activations", lambda b: b.op("ADD", b.nchw(1, 5, 3, 4), b.nchw(1, 5, 3, 4))),
    ("ADD of an NCHW activation and an NHWC input", lambda b: b.op("ADD", b.nchw(1, 5, 3, 4), b.input(1, 5, 3, 4))),
    ("PRELU", lambda b: b.op("PRELU", b.nchw(1, 5, 3, 4), b.weights(1, 1, 4))),
    ("PAD channels", lambda b: b.op("PAD", b.nchw(1, 5, 3, 4), b.ints([0, 0], [0, 0], [0, 0], [0, 4]))),
    ("PAD rows and columns", lambda b: b.op("PAD", b.nchw(1, 5, 3, 4), b.ints([0, 0], [1, 2], [3, 0], [0, 0]))),
    ("RESIZE_BILINEAR half-pixel", lambda b: b.op(
        "RESIZE_BILINEAR", b.nchw(1, 3, 5, 4), b.ints(6, 10), half_pixel_centers=True)),
    ("RESHAPE keeps NHWC element order", lambda b: b.op("RESHAPE", b.nchw(1, 4, 5, 6), b.ints(1, 60, 2))),
    ("CONCATENATION of NCHW channels", lambda b: b.op("CONCATENATION", b.nchw(1, 5, 3, 4), b.nchw(1, 5, 3, 2), axis=3)),
    ("CONCATENATION", lambda b: b.op("CONCATENATION", *(
        b.op("RESHAPE", b.nchw(1, n, 3, 4), b.ints(1, -1, 2)) for n in (4, 2)), axis=1)),
    ("MEAN over rows and columns", lambda b: b.op("MEAN", b.nchw(1, 5, 4, 3), b.ints(1, 2))),
    ("FULLY_CONNECTED, LOGISTIC", lambda b: b.op("LOGISTIC", b.op(
        "FULLY_CONNECTED", b.op("MEAN", b.nchw(1, 3, 2, 8), b.ints(1, 2)), b.weights(5, 8), b.weights(5)))),
]
HANDS = NODE_MODULES / "@mediapipe" / "hands"
# Model -> input size, outputs as Velmora's runtime expects them, Transpose count: one into NCHW, plus one per
# palm head before its RESHAPE; the hand's MEAN needs none.
HAND_OUTPUTS = [("Identity", (1, 63)), ("Identity_1", (1, 1)), ("Identity_2", (1, 1)), ("Identity_3", (1, 63))]
MODELS = {"palm.onnx": (192, [("Identity", (1, 2016, 18)), ("Identity_1", (1, 2016, 1))], 5),
          "hand.onnx": (224, HAND_OUTPUTS, 1), "hand_lite.onnx": (224, HAND_OUTPUTS, 1)}


class ConverterTest(unittest.TestCase):
    def test_each_op_matches_the_reference(self):
        b = Builder()
        outputs = [(name, build(b)) for name, build in CASES]
        model = to_onnx(Graph(b.tensors, b.inputs, [index for _, index in outputs], b.operators))
        onnx.checker.check_model(model)
        with tempfile.TemporaryDirectory() as folder:
            onnx.save(model, Path(folder) / "ops.onnx")
            actual = run_onnx(Path(folder) / "ops.onnx", {b.tensors[i].name: b.values[i] for i in b.inputs})
        for name, index in outputs:
            assert_close(actual[b.tensors[index].name], b.values[index], name)

    def test_converted_models_match_the_reference_on_a_photo(self):
        photo = Image.open(ROOT.parent / "shared" / "testdata" / "hands.jpg").convert("RGB")
        with tempfile.TemporaryDirectory() as out, contextlib.redirect_stdout(io.StringIO()):
            convert_models.main(["--package-dir", str(HANDS), "--out", out])
            for name, (source, byte_range) in convert_models.MODELS.items():
                size, outputs, transposes = MODELS[name]
                model = onnx.load(Path(out) / name)
                self.assertEqual([("input_1", (1, size, size, 3))] + outputs,
                                 [(v.name, tuple(d.dim_value for d in v.type.tensor_type.shape.dim))
                                  for v in [*model.graph.input, *model.graph.output]], name)
                # The layout changes only where needed.
                self.assertEqual(transposes, [n.op_type for n in model.graph.node].count("Transpose"), name)
                graph = convert_models.load_tflite(HANDS / source, byte_range)
                values = {i: t.data for i, t in enumerate(graph.tensors) if t.data is not None}
                values[graph.inputs[0]] = np.asarray(photo.resize((size, size)), np.float32)[None] / 255
                actual = run_onnx(Path(out) / name, {"input_1": values[graph.inputs[0]]})
                for op in graph.operators:
                    tflite_reference.apply(op, values)
                self.assertEqual([graph.tensors[i].name for i in graph.outputs], list(actual))
                for i in graph.outputs:
                    assert_close(actual[graph.tensors[i].name], values[i], f"{name} {graph.tensors[i].name}")
