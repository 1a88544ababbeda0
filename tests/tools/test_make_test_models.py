"""Checks the tiny malformed model pairs that tools/make_test_models.py writes for the C++ runtime tests."""
import contextlib
import io
import tempfile
import unittest
from pathlib import Path

import numpy as np
import onnx

import make_test_models

from . import harness
from .harness import HAND_OUTPUTS, PALM_OUTPUTS, dims


def layout(path: Path):
    model = onnx.load(path)
    onnx.checker.check_model(model)
    return [dims(v) for v in model.graph.input], [(v.name, dims(v)) for v in model.graph.output]


class MakeTestModelsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        folder = tempfile.TemporaryDirectory(prefix="velmora-test-models-")
        cls.addClassCleanup(folder.cleanup)
        cls.out = Path(folder.name)
        with contextlib.redirect_stdout(io.StringIO()):
            make_test_models.main([str(cls.out)])

    def test_each_pair_has_exactly_the_intended_flaw(self):
        flaws = {"palm3outputs": ("palm", 3), "hand2outputs": ("hand", 2), "handnames": ("hand", 4),
                 "palmshape": ("palm", 2)}
        self.assertEqual(sorted(flaws), sorted(p.name for p in self.out.iterdir()))
        for case, (broken, count) in flaws.items():
            with self.subTest(case):
                palm_inputs, palm_outputs = layout(self.out / case / "palm.onnx")
                hand_inputs, hand_outputs = layout(self.out / case / "hand.onnx")
                self.assertEqual(([(1, 192, 192, 3)], [(1, 224, 224, 3)]), (palm_inputs, hand_inputs))
                self.assertEqual(broken == "palm", palm_outputs != PALM_OUTPUTS)
                self.assertEqual(broken == "hand", hand_outputs != HAND_OUTPUTS)
                self.assertEqual(count, len(palm_outputs if broken == "palm" else hand_outputs))
        names = [name for name, _ in layout(self.out / "handnames" / "hand.onnx")[1]]
        self.assertNotIn("Identity", names)
        counts = [int(np.prod(shape)) for _, shape in layout(self.out / "palmshape" / "palm.onnx")[1]]
        self.assertFalse({2016, 36288} & set(counts))

    def test_outputs_are_input_prefixes(self):
        image = np.random.default_rng(0).random((1, 224, 224, 3), dtype=np.float32)
        outputs = harness.ort().run(self.out / "palmshape" / "hand.onnx", {"input_1": image})
        for name, shape in HAND_OUTPUTS:
            np.testing.assert_array_equal(image.ravel()[:int(np.prod(shape))].reshape(shape), outputs[name])
