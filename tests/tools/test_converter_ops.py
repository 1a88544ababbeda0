"""tools/tflite2onnx.py in ONNX Runtime against the NumPy reference: the palm and hand models as
tools/convert_models.py writes them, every output on a real photo. Between them the three models use every
op kind the converter handles, so a fault in one shows in the outputs."""
import contextlib
import io
import tempfile
import unittest
from pathlib import Path

import numpy as np
import onnx
from PIL import Image

import convert_models

from . import NODE_MODULES, ROOT, assert_close, run_onnx, tflite_reference

HANDS = NODE_MODULES / "@mediapipe" / "hands"
# Model -> input size, outputs as Velmora's runtime expects them, Transpose count: one into NCHW, plus one per
# palm head before its RESHAPE; the hand's MEAN needs none.
HAND_OUTPUTS = [("Identity", (1, 63)), ("Identity_1", (1, 1)), ("Identity_2", (1, 1)), ("Identity_3", (1, 63))]
MODELS = {"palm.onnx": (192, [("Identity", (1, 2016, 18)), ("Identity_1", (1, 2016, 1))], 5),
          "hand.onnx": (224, HAND_OUTPUTS, 1), "hand_lite.onnx": (224, HAND_OUTPUTS, 1)}


class ConverterTest(unittest.TestCase):
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
