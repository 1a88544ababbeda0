"""Op-by-op checks of tools/tflite2onnx.py: small synthetic graphs run in ONNX Runtime against the NumPy reference."""
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

    def input(self, *shape) -> int:
        index = self._tensor("input", shape, np.float32)
        self.inputs.append(index)
        self.feeds[self.tensors[index].name] = self.values[index] = self.rng.standard_normal(shape).astype(np.float32)
        return index

    def constant(self, data) -> int:
        index = self._tensor("const", np.shape(data), np.asarray(data).dtype, np.asarray(data))
        self.values[index] = self.tensors[index].data
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
        weights = self.random(channels, *kernel, self.tensors[x].shape[3])
        inputs = [x, weights] + ([self.random(channels)] if bias else [])
        return self.op("CONV_2D", inputs, **({"padding": "VALID"} | options))

    def nchw(self, *shape) -> int:
        """An activation the converter holds in NCHW (a 1x1 convolution of a fresh input)."""
        return self.conv(self.input(*shape), shape[3])


class ConverterTestCase(unittest.TestCase):
    _numbers = itertools.count()

    @classmethod
    def setUpClass(cls):
        cls._models = tempfile.TemporaryDirectory(prefix="tflite2onnx-")
        cls.addClassCleanup(cls._models.cleanup)

    def check(self, builder: GraphBuilder, *outputs) -> onnx.ModelProto:
        """Converts, validates, runs in ONNX Runtime and compares every output with the reference."""
        graph = Graph(builder.tensors, builder.inputs, list(outputs), builder.operators)
        model = to_onnx(graph)
        onnx.checker.check_model(model)
        path = Path(self._models.name) / f"model{next(self._numbers)}.onnx"
        onnx.save(model, path)
        actual = harness.ort().run(path, builder.feeds)
        expected = {builder.tensors[i].name: builder.values[i] for i in outputs}
        self.assertEqual(list(expected), list(actual))
        for name, value in expected.items():
            self.assertLessEqual(harness.relative_error(actual[name], value), harness.TOLERANCE, name)
        return model


def ints(*values):
    return np.array(values, np.int32)


class ConvolutionTest(ConverterTestCase):
    # (input height, width), kernel (h, w), strides (h, w), padding, dilation, fused activation
    WINDOWS = [
        ((8, 6), (3, 3), (2, 2), "SAME", 1, "RELU6"),  # pads 0 before, 1 after, as the hand model's stem
        ((10, 12), (5, 5), (2, 2), "SAME", 1, "NONE"),  # pads 1 before, 2 after, as the palm model's stem
        ((9, 7), (3, 3), (2, 2), "SAME", 1, "RELU"),  # odd input at stride 2 pads evenly here
        ((7, 11), (3, 5), (1, 2), "VALID", 1, "TANH"),  # non-square kernel and strides
        ((9, 8), (3, 3), (1, 1), "SAME", 2, "RELU_N1_TO_1"),  # dilated
    ]

    def test_conv_and_depthwise_conv(self):
        for window, multiplier in itertools.product(self.WINDOWS, (0, 1, 2)):  # multiplier 0: plain CONV_2D
            size, kernel, strides, padding, dilation, activation = window
            with self.subTest(size=size, kernel=kernel, padding=padding, depthwise_multiplier=multiplier):
                b = GraphBuilder()
                options = dict(padding=padding, stride_h=strides[0], stride_w=strides[1], dilation_h_factor=dilation,
                               dilation_w_factor=dilation, fused_activation_function=activation)
                if multiplier == 0:
                    self.check(b, b.conv(b.input(1, *size, 3), 4, kernel, **options))
                else:
                    weights, bias = b.random(1, *kernel, 5 * multiplier), b.random(5 * multiplier)
                    self.check(b, b.op("DEPTHWISE_CONV_2D", [b.nchw(1, *size, 5), weights, bias],
                                       depth_multiplier=multiplier, **options))

    def test_max_pool_2d(self):
        # Random normal inputs are often negative, so SAME padding must not act as zeros.
        for size, kernel, padding in [((9, 7), (2, 2), "VALID"), ((8, 7), (3, 3), "SAME"), ((9, 8), (2, 3), "SAME")]:
            with self.subTest(size=size, kernel=kernel, padding=padding):
                b = GraphBuilder()
                self.check(b, b.op("MAX_POOL_2D", [b.input(1, *size, 4)], padding=padding, stride_h=2, stride_w=2,
                                   filter_height=kernel[0], filter_width=kernel[1]))

    def test_float16_weights_without_bias_are_folded_to_float32(self):
        b = GraphBuilder()
        weights = b.op("DEQUANTIZE", [b.random(4, 3, 3, 3, dtype=np.float16)])
        model = self.check(b, b.op("CONV_2D", [b.input(1, 7, 5, 3), weights], padding="SAME", stride_h=2, stride_w=2))
        self.assertEqual(["Transpose", "Conv", "Transpose"], [node.op_type for node in model.graph.node])
        self.assertEqual({onnx.TensorProto.FLOAT}, {init.data_type for init in model.graph.initializer})


class ElementwiseTest(ConverterTestCase):
    """Element-wise ops run in whichever layout their inputs already have (NHWC input, NCHW activation)."""

    def test_add_prelu_logistic_pad_concatenation(self):
        b = GraphBuilder()
        a, c, x = b.nchw(1, 5, 3, 4), b.nchw(1, 5, 3, 4), b.input(1, 5, 3, 4)
        outputs = [b.op("ADD", [a, c], fused_activation_function="RELU"), b.op("ADD", [a, x]),
                   b.op("ADD", [c, b.random(4)]), b.op("ADD", [b.input(1, 6, 2), b.input(1, 6, 2)]),
                   b.op("PRELU", [a, b.random(1, 1, 4)]), b.op("PRELU", [x, b.random(4)]),
                   b.op("LOGISTIC", [a]), b.op("LOGISTIC", [x]),
                   b.op("CONCATENATION", [a, b.nchw(1, 5, 3, 2)], axis=3, fused_activation_function="RELU"),
                   b.op("CONCATENATION", [a, c], axis=-3),
                   b.op("CONCATENATION", [b.input(1, 6, 2), b.input(1, 4, 2)], axis=1)]
        for paddings in ([[0, 0], [0, 0], [0, 0], [0, 5]], [[0, 0], [1, 2], [3, 0], [0, 0]]):
            outputs += [b.op("PAD", [source, b.constant(np.array(paddings, np.int32))]) for source in (a, x)]
        self.check(b, *outputs)


class LayoutChangeTest(ConverterTestCase):
    """Ops whose result depends on the element order of an NCHW-held activation."""

    def test_reshape_restores_nhwc_order(self):
        b = GraphBuilder()
        x = b.nchw(1, 4, 5, 6)
        self.check(b, b.op("RESHAPE", [x, b.constant(ints(1, 20, 6))]),
                   b.op("RESHAPE", [x, b.constant(ints(1, -1, 3))]), b.op("RESHAPE", [x], new_shape=[120]))

    def test_mean(self):
        for axes, keep_dims in [([1, 2], False), ([1, 2], True), ([2], False), ([3], False), ([-1, 1], True)]:
            with self.subTest(axes=axes, keep_dims=keep_dims):
                b = GraphBuilder()
                self.check(b, *[b.op("MEAN", [x, b.constant(ints(*axes))], keep_dims=keep_dims)
                                for x in (b.nchw(1, 5, 4, 3), b.input(1, 5, 4, 3))])

    def test_fully_connected(self):
        b = GraphBuilder()
        pooled = b.op("MEAN", [b.nchw(1, 3, 3, 8), b.constant(ints(1, 2))])
        dense = b.op("FULLY_CONNECTED", [pooled, b.random(5, 8), b.random(5)], fused_activation_function="RELU")
        self.check(b, dense, b.op("LOGISTIC", [dense]),
                   b.op("FULLY_CONNECTED", [b.nchw(1, 3, 2, 4), b.random(6, 24), -1]),  # flattens NHWC order
                   b.op("FULLY_CONNECTED", [b.input(1, 4, 8), b.random(3, 8), b.random(3)], keep_num_dims=True),
                   b.op("FULLY_CONNECTED", [b.input(2, 4, 8), b.random(3, 8)]))

    def test_resize_bilinear(self):
        for flags, size in itertools.product([{"half_pixel_centers": True}, {"align_corners": True}, {}],
                                             [(10, 6), (7, 8), (5, 3)]):
            with self.subTest(size=size, **flags):
                b = GraphBuilder()
                self.check(b, b.op("RESIZE_BILINEAR", [b.nchw(1, 5, 3, 4), b.constant(ints(*size))], **flags))


class RejectionTest(unittest.TestCase):
    def test_unconvertible_graphs_name_the_reason(self):
        float32 = np.dtype(np.float32)
        scale, zero_point = np.array([0.5], np.float32), np.array([3])
        quantised = Tensor("x", (1, 4), np.dtype(np.int8), quantization=(scale, zero_point))
        for reason, source, operator in [
                ("SOFTMAX", Tensor("x", (1, 4), float32), Operator("SOFTMAX", [0], [1])),
                ("SIGN_BIT", Tensor("x", (1, 4), float32),
                 Operator("ADD", [0, 0], [1], {"fused_activation_function": "SIGN_BIT"})),
                ("DEQUANTIZE", Tensor("x", (1, 4), np.dtype(np.float16)), Operator("DEQUANTIZE", [0], [1])),
                ("quantised", quantised, Operator("DEQUANTIZE", [0], [1]))]:
            with self.subTest(reason), self.assertRaisesRegex(UnsupportedError, reason):
                to_onnx(Graph([source, Tensor("y", (1, 4), float32)], [0], [1], [operator]))
