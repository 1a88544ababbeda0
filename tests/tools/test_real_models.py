"""End-to-end checks of the palm and hand models converted from the @mediapipe/hands package."""
import contextlib
import io
import tempfile
import unittest
from pathlib import Path

import numpy as np
import onnx

import convert_models
from tflite2onnx import to_onnx

from . import harness, tflite_reference
from .harness import HAND_OUTPUTS, PALM_OUTPUTS

# model -> (input shape, outputs in order, Transpose count); names are those in the .tflite files.
# One Transpose goes into NCHW, plus one per palm head before its RESHAPE; the hand's MEAN needs none.
EXPECTED = {
    "palm.onnx": ((1, 192, 192, 3), PALM_OUTPUTS, 5),
    "hand.onnx": ((1, 224, 224, 3), HAND_OUTPUTS, 1),
    "hand_lite.onnx": ((1, 224, 224, 3), HAND_OUTPUTS, 1),
}


def dims(value_info: onnx.ValueInfoProto) -> tuple:
    return tuple(d.dim_value for d in value_info.type.tensor_type.shape.dim)


class RealModelTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        folder = tempfile.TemporaryDirectory(prefix="velmora-models-")
        cls.addClassCleanup(folder.cleanup)
        cls.models = {}  # name -> (TFLite graph, ONNX model, saved path)
        for name, (source, byte_range) in convert_models.MODELS.items():
            graph = convert_models.load_tflite(harness.HANDS_PACKAGE / source, byte_range)
            model = to_onnx(graph)
            path = Path(folder.name) / name
            onnx.save(model, path)
            cls.models[name] = graph, model, path

    def test_interface_weights_and_layout(self):
        for name, (graph, model, _) in self.models.items():
            input_shape, outputs, transpose_count = EXPECTED[name]
            with self.subTest(name):
                onnx.checker.check_model(model)
                self.assertEqual([("input_1", input_shape)], [(v.name, dims(v)) for v in model.graph.input])
                self.assertEqual(outputs, [(v.name, dims(v)) for v in model.graph.output])
                self.assertEqual([graph.tensors[i].name for i in graph.outputs], [v.name for v in model.graph.output])
                types = {init.data_type for init in model.graph.initializer}
                self.assertLessEqual(types, {onnx.TensorProto.FLOAT, onnx.TensorProto.INT64}, "float32 weights")
                # The layout changes only where needed: no Transpose feeds another.
                transposes = {node.output[0]: node for node in model.graph.node if node.op_type == "Transpose"}
                self.assertEqual(transpose_count, len(transposes))
                self.assertFalse([n for n in transposes.values() if n.input[0] in transposes])

    def test_options_match_the_layer_names(self):
        # The exporter names each fused activation's output "<layer>/Relu6;..."; the options must say so too.
        # The reference reads the same options, so only this check catches a misread option.
        for name, (graph, _, _) in self.models.items():
            with self.subTest(name):
                for op in graph.operators:
                    if "fused_activation_function" in op.options:
                        fused = "/Relu6" in graph.tensors[op.outputs[0]].name.split(";")[0]
                        self.assertEqual("RELU6" if fused else "NONE", op.options["fused_activation_function"])
        resizes = [op.options for op in self.models["palm.onnx"][0].operators if op.kind == "RESIZE_BILINEAR"]
        self.assertEqual(2, len(resizes))
        self.assertTrue(all(o["half_pixel_centers"] and not o["align_corners"] for o in resizes))

    def test_outputs_match_reference(self):
        rng = np.random.default_rng(7)
        for name, (graph, _, path) in self.models.items():
            input_shape = EXPECTED[name][0]
            for low in (0.0, -1.0):
                image = rng.uniform(low, 1.0, input_shape).astype(np.float32)
                expected = tflite_reference.outputs(graph, {"input_1": image})
                actual = harness.ort().run(path, {"input_1": image})
                for output, value in expected.items():
                    with self.subTest(name, output=output, low=low):
                        self.assertLessEqual(harness.relative_error(actual[output], value), harness.TOLERANCE)


class PackageTest(unittest.TestCase):
    PACKED = harness.HANDS_PACKAGE / "hands_solution_packed_assets.data"

    def test_bad_slices_are_reported(self):
        with self.assertRaisesRegex(ValueError, r"bytes \[12, 2341291\): not a TFLite model.*identifier"):
            convert_models.load_tflite(self.PACKED, (12, 2_341_291))
        with self.assertRaisesRegex(ValueError, "outside the 4326731-byte file"):
            convert_models.load_tflite(self.PACKED, (11, 5_000_000))
        with self.assertRaisesRegex(ValueError, "malformed"):
            convert_models.load_tflite(self.PACKED, (2_341_291, 2_341_491))

    def test_conversion_is_repeatable(self):
        outputs = []
        for _ in range(2):
            with tempfile.TemporaryDirectory() as out, contextlib.redirect_stdout(io.StringIO()) as printed:
                convert_models.main(["--package-dir", str(harness.HANDS_PACKAGE), "--out", out])
                outputs.append({p.name: p.read_bytes() for p in Path(out).iterdir()})
        self.assertEqual(sorted(convert_models.MODELS), sorted(outputs[0]))
        self.assertEqual(outputs[0], outputs[1])
        self.assertEqual(len(convert_models.MODELS), len(printed.getvalue().splitlines()))
