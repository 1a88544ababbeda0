"""Op-by-op checks of tools/tflite2onnx.py: small synthetic graphs run in ONNX Runtime against the NumPy reference."""
import collections
import itertools
import tempfile
import unittest
from pathlib import Path

import numpy as np
import onnx

from tflite2onnx import Graph, Operator, Tensor, UnsupportedError, to_onnx

from . import harness, tflite_reference


class GraphBuilder:
    """Builds a TFLite-IR graph, evaluating each op with the reference as it goes so every shape is known."""

    def __init__(self, seed=0):
        self.rng = np.random.default_rng(seed)
        self.tensors, self.operators, self.inputs = [], [], []
        self.values, self.feeds = {}, {}

    def _tensor(self, prefix, shape, dtype, data=None) -> int:
        self.tensors.append(Tensor(f"{prefix}_{len(self.tensors)}", tuple(shape), np.dtype(dtype), data))
        return len(self.tensors) - 1

    def shape(self, index):
        return self.tensors[index].shape

    def input(self, *shape) -> int:
        index = self._tensor("input", shape, np.float32)
        self.inputs.append(index)
        self.feeds[self.tensors[index].name] = self.values[index] = self.rng.standard_normal(shape).astype(np.float32)
        return index

    def constant(self, data) -> int:
        data = np.asarray(data)
        index = self._tensor("const", data.shape, data.dtype, data)
        self.values[index] = data
        return index

    def random(self, *shape, dtype=np.float32) -> int:
        return self.constant((self.rng.standard_normal(shape) * 0.5).astype(dtype))

    def op(self, kind, inputs, **options) -> int:
        out = self._tensor(kind.lower(), (), np.float32)
        operator = Operator(kind, list(inputs), [out], options)
        tflite_reference.apply(operator, self.values)
        self.tensors[out].shape = self.values[out].shape
        self.operators.append(operator)
        return out

    def conv(self, x, channels, kernel=(1, 1), bias=True, **options) -> int:
        weights = self.random(channels, *kernel, self.shape(x)[3])
        inputs = [x, weights] + ([self.random(channels)] if bias else [])
        return self.op("CONV_2D", inputs, **({"padding": "VALID"} | options))

    def nchw(self, *shape) -> int:
        """An activation the converter holds in NCHW (a 1x1 convolution of a fresh input)."""
        return self.conv(self.input(*shape), shape[3])

    def graph(self, outputs) -> Graph:
        return Graph(self.tensors, self.inputs, list(outputs), self.operators)


class ConverterTestCase(unittest.TestCase):
    _numbers = itertools.count()

    @classmethod
    def setUpClass(cls):
        cls._models = tempfile.TemporaryDirectory(prefix="tflite2onnx-")
        cls.addClassCleanup(cls._models.cleanup)

    def check(self, builder: GraphBuilder, *outputs) -> onnx.ModelProto:
        """Converts, validates, runs in ONNX Runtime and compares every output with the reference."""
        graph = builder.graph(outputs)
        model = to_onnx(graph)
        onnx.checker.check_model(model)
        self.assertEqual([], harness.shape_disagreements(model, graph))
        path = Path(self._models.name) / f"model{next(self._numbers)}.onnx"
        onnx.save(model, path)
        actual = harness.ort().run(path, builder.feeds)
        expected = {builder.tensors[i].name: builder.values[i] for i in outputs}
        self.assertEqual(list(expected), list(actual))
        for name, value in expected.items():
            self.assertLessEqual(harness.relative_error(actual[name], value), harness.TOLERANCE, name)
        return model


def op_types(model) -> collections.Counter:
    return collections.Counter(node.op_type for node in model.graph.node)


class ConvolutionTest(ConverterTestCase):
    # (input height, width), kernel (h, w), strides (h, w), padding, dilation, fused activation
    WINDOWS = [
        ((8, 6), (3, 3), (2, 2), "SAME", 1, "RELU6"),  # pads 0 before, 1 after, as the hand model's stem
        ((10, 12), (5, 5), (2, 2), "SAME", 1, "NONE"),  # pads 1 before, 2 after, as the palm model's stem
        ((9, 7), (3, 3), (2, 2), "SAME", 1, "RELU"),  # odd input at stride 2 pads evenly here
        ((7, 6), (5, 5), (1, 1), "SAME", 1, "RELU"),
        ((7, 11), (3, 5), (1, 2), "VALID", 1, "TANH"),  # non-square kernel and strides
        ((9, 8), (3, 3), (1, 1), "SAME", 2, "RELU_N1_TO_1"),  # dilated
        ((11, 10), (3, 3), (2, 2), "VALID", 1, "NONE"),
    ]

    def test_conv_2d(self):
        for size, kernel, strides, padding, dilation, activation in self.WINDOWS:
            with self.subTest(size=size, kernel=kernel, strides=strides, padding=padding, activation=activation):
                b = GraphBuilder()
                self.check(b, b.conv(b.input(1, *size, 3), 4, kernel, padding=padding, stride_h=strides[0],
                                     stride_w=strides[1], dilation_h_factor=dilation, dilation_w_factor=dilation,
                                     fused_activation_function=activation))
        b = GraphBuilder()
        self.check(b, b.conv(b.input(1, 6, 5, 3), 7, (3, 3), bias=False, padding="SAME"))  # without bias

    def test_depthwise_conv_2d(self):
        for multiplier in (1, 2):
            for size, kernel, strides, padding, dilation, activation in self.WINDOWS:
                with self.subTest(multiplier=multiplier, size=size, kernel=kernel, strides=strides, padding=padding):
                    b = GraphBuilder()
                    channels = 5
                    out = b.op("DEPTHWISE_CONV_2D",
                               [b.nchw(1, *size, channels), b.random(1, *kernel, channels * multiplier),
                                b.random(channels * multiplier)],
                               padding=padding, stride_h=strides[0], stride_w=strides[1], depth_multiplier=multiplier,
                               dilation_h_factor=dilation, dilation_w_factor=dilation,
                               fused_activation_function=activation)
                    self.check(b, out)

    def test_max_pool_2d(self):
        # Random normal inputs are often negative, so SAME padding must not act as zeros.
        for size, kernel, strides, padding in [((9, 7), (2, 2), (2, 2), "VALID"), ((8, 7), (3, 3), (2, 2), "SAME"),
                                               ((9, 8), (2, 3), (2, 2), "SAME")]:
            with self.subTest(size=size, kernel=kernel, padding=padding):
                b = GraphBuilder()
                out = b.op("MAX_POOL_2D", [b.input(1, *size, 4)], padding=padding, stride_h=strides[0],
                           stride_w=strides[1], filter_height=kernel[0], filter_width=kernel[1])
                self.check(b, out)

    def test_float16_weights_are_folded_to_float32(self):
        b = GraphBuilder()
        x = b.input(1, 7, 5, 3)
        weights = b.op("DEQUANTIZE", [b.random(4, 3, 3, 3, dtype=np.float16)])
        bias = b.op("DEQUANTIZE", [b.random(4, dtype=np.float16)])
        model = self.check(b, b.op("CONV_2D", [x, weights, bias], padding="SAME", stride_h=2, stride_w=2))
        self.assertEqual({"Conv": 1, "Transpose": 2}, op_types(model))  # in and out of NCHW
        self.assertEqual({onnx.TensorProto.FLOAT}, {init.data_type for init in model.graph.initializer})


class ElementwiseTest(ConverterTestCase):
    """Element-wise ops run in whichever layout their inputs already have; both paths are checked."""

    def sources(self, b, *shape):
        """The same shape as an NHWC graph input and as an NCHW-held activation."""
        return b.input(*shape), b.nchw(*shape)

    def test_add(self):
        b = GraphBuilder()
        a, c = b.nchw(1, 5, 3, 4), b.nchw(1, 5, 3, 4)
        outputs = [b.op("ADD", [a, c], fused_activation_function="RELU"),
                   b.op("ADD", [a, b.input(1, 5, 3, 4)]),  # mixed layouts
                   b.op("ADD", [c, b.random(4)]),  # per-channel constant
                   b.op("ADD", [b.input(1, 6, 2), b.input(1, 6, 2)], fused_activation_function="RELU6")]
        self.check(b, *outputs)

    def test_prelu(self):
        b = GraphBuilder()
        outputs = [b.op("PRELU", [x, b.random(1, 1, 6)]) for x in self.sources(b, 1, 7, 5, 6)]
        outputs.append(b.op("PRELU", [b.nchw(1, 3, 3, 6), b.random(6)]))
        self.check(b, *outputs)

    def test_logistic(self):
        b = GraphBuilder()
        self.check(b, *[b.op("LOGISTIC", [x]) for x in self.sources(b, 1, 4, 3, 5)])

    def test_pad(self):
        for name, paddings in [("channels", [[0, 0], [0, 0], [0, 0], [0, 5]]),
                               ("asymmetric spatial", [[0, 0], [1, 2], [3, 0], [0, 0]])]:
            with self.subTest(name):
                b = GraphBuilder()
                self.check(b, *[b.op("PAD", [x, b.constant(np.array(paddings, np.int32))])
                                for x in self.sources(b, 1, 5, 4, 3)])

    def test_concatenation(self):
        b = GraphBuilder()
        a, c = b.nchw(1, 4, 3, 2), b.nchw(1, 4, 3, 5)
        outputs = [b.op("CONCATENATION", [a, c], axis=3, fused_activation_function="RELU"),
                   b.op("CONCATENATION", [a, b.nchw(1, 4, 3, 2)], axis=-3),
                   b.op("CONCATENATION", [b.input(1, 6, 2), b.input(1, 4, 2)], axis=1)]
        self.check(b, *outputs)


class LayoutChangeTest(ConverterTestCase):
    """Ops whose result depends on the element order of an NCHW-held activation."""

    def test_reshape_restores_nhwc_order(self):
        b = GraphBuilder()
        x = b.nchw(1, 4, 5, 6)
        outputs = [b.op("RESHAPE", [x, b.constant(np.array([1, 20, 6], np.int32))]),
                   b.op("RESHAPE", [x, b.constant(np.array([1, -1, 3], np.int32))]),
                   b.op("RESHAPE", [x], new_shape=[120])]
        self.check(b, *outputs)

    def test_mean(self):
        for axes, keep_dims in [([1, 2], False), ([1, 2], True), ([2], False), ([3], False), ([-1, 1], True)]:
            with self.subTest(axes=axes, keep_dims=keep_dims):
                b = GraphBuilder()
                outputs = [b.op("MEAN", [x, b.constant(np.array(axes, np.int32))], keep_dims=keep_dims)
                           for x in (b.nchw(1, 5, 4, 3), b.input(1, 5, 4, 3))]
                self.check(b, *outputs)

    def test_fully_connected(self):
        b = GraphBuilder()
        pooled = b.op("MEAN", [b.nchw(1, 3, 3, 8), b.constant(np.array([1, 2], np.int32))])
        outputs = [b.op("FULLY_CONNECTED", [pooled, b.random(5, 8), b.random(5)], fused_activation_function="RELU"),
                   b.op("FULLY_CONNECTED", [b.nchw(1, 3, 2, 4), b.random(6, 24), -1]),  # flattens NHWC order
                   b.op("FULLY_CONNECTED", [b.input(1, 4, 8), b.random(3, 8), b.random(3)], keep_num_dims=True),
                   b.op("FULLY_CONNECTED", [b.input(2, 4, 8), b.random(3, 8)])]
        outputs.append(b.op("LOGISTIC", [outputs[0]]))
        self.check(b, *outputs)

    def test_resize_bilinear(self):
        for flags in [{"half_pixel_centers": True}, {"align_corners": True}, {}]:
            for size in [(10, 6), (7, 8), (5, 3)]:
                with self.subTest(size=size, **flags):
                    b = GraphBuilder()
                    out = b.op("RESIZE_BILINEAR", [b.nchw(1, 5, 3, 4), b.constant(np.array(size, np.int32))], **flags)
                    self.check(b, out)

    def test_transposes_only_where_layout_changes(self):
        b = GraphBuilder()
        x = b.conv(b.input(1, 9, 9, 3), 8, (3, 3), padding="SAME", stride_h=2, stride_w=2)
        y = b.op("ADD", [x, b.conv(x, 8)])
        pooled = b.op("MEAN", [y, b.constant(np.array([1, 2], np.int32))])
        head = b.op("RESHAPE", [b.conv(y, 6), b.constant(np.array([1, 50, 3], np.int32))])
        model = self.check(b, pooled, head)
        # Into NCHW once at the input, back once before the reshape; the mean needs none.
        self.assertEqual(2, op_types(model)["Transpose"])


class RejectionTest(unittest.TestCase):
    def test_unconvertible_graphs_name_the_reason(self):
        float16, float32 = np.dtype(np.float16), np.dtype(np.float32)
        quantised = Tensor("x", (1, 4), np.dtype(np.int8), quantization=(np.array([0.5], np.float32), np.array([3])))
        for reason, source, operator in [
                ("SOFTMAX", Tensor("x", (1, 4), float32), Operator("SOFTMAX", [0], [1])),
                ("SIGN_BIT", Tensor("x", (1, 4), float32),
                 Operator("ADD", [0, 0], [1], {"fused_activation_function": "SIGN_BIT"})),
                ("DEQUANTIZE", Tensor("x", (1, 4), float16), Operator("DEQUANTIZE", [0], [1])),  # of an activation
                ("quantised", quantised, Operator("DEQUANTIZE", [0], [1]))]:
            with self.subTest(reason), self.assertRaisesRegex(UnsupportedError, reason):
                to_onnx(Graph([source, Tensor("y", (1, 4), float32)], [0], [1], [operator]))
