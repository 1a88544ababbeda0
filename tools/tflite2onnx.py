"""Converts float TFLite models (optionally with float16 weights) to ONNX for ONNX Runtime on the CPU.

Library: read_tflite() parses a .tflite file into a small IR, to_onnx() emits ONNX from it.
CLI: tflite2onnx.py MODEL.tflite MODEL.onnx
"""
from __future__ import annotations

import argparse
import dataclasses
import math
import struct
import sys

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

OPSET = 13
NCHW_SUFFIX = "@nchw"  # names the NCHW copy of a 4-D tensor; the plain tensor name is its NHWC form
NATIVE, NCHW = "native", "nchw"
TO_NCHW = (0, 3, 1, 2)
TO_NHWC = (0, 2, 3, 1)
NCHW_AXIS = TO_NHWC  # an NHWC axis number -> the same axis's number in NCHW


class UnsupportedError(Exception):
    """The model uses something this converter does not translate."""


# ---------------------------------------------------------------------------------------------
# Intermediate representation
# ---------------------------------------------------------------------------------------------

@dataclasses.dataclass
class Tensor:
    name: str
    shape: tuple[int, ...]
    dtype: np.dtype
    data: np.ndarray | None = None  # constant value in the TFLite layout; None for activations
    quantization: tuple[np.ndarray, np.ndarray] | None = None  # (scale, zero_point)


@dataclasses.dataclass
class Operator:
    kind: str  # TFLite builtin name, e.g. "CONV_2D"
    inputs: list[int]  # tensor indices; -1 marks an omitted optional input
    outputs: list[int]
    options: dict = dataclasses.field(default_factory=dict)

    def __post_init__(self):
        # Synthetic graphs may give only the options they care about.
        self.options = {name: default for name, _, default in _OPTION_FIELDS.get(self.kind, ())} | self.options


@dataclasses.dataclass
class Graph:
    tensors: list[Tensor]
    inputs: list[int]
    outputs: list[int]
    operators: list[Operator]


# ---------------------------------------------------------------------------------------------
# TFLite flatbuffer reader (field slots follow the order of declaration in schema.fbs)
# ---------------------------------------------------------------------------------------------

IDENTIFIER = b"TFL3"
_BUILTIN_NAMES = """
ADD AVERAGE_POOL_2D CONCATENATION CONV_2D DEPTHWISE_CONV_2D DEPTH_TO_SPACE DEQUANTIZE EMBEDDING_LOOKUP
FLOOR FULLY_CONNECTED HASHTABLE_LOOKUP L2_NORMALIZATION L2_POOL_2D LOCAL_RESPONSE_NORMALIZATION LOGISTIC
LSH_PROJECTION LSTM MAX_POOL_2D MUL RELU RELU_N1_TO_1 RELU6 RESHAPE RESIZE_BILINEAR RNN SOFTMAX
SPACE_TO_DEPTH SVDF TANH CONCAT_EMBEDDINGS SKIP_GRAM CALL CUSTOM EMBEDDING_LOOKUP_SPARSE PAD
UNIDIRECTIONAL_SEQUENCE_RNN GATHER BATCH_TO_SPACE_ND SPACE_TO_BATCH_ND TRANSPOSE MEAN SUB DIV SQUEEZE
UNIDIRECTIONAL_SEQUENCE_LSTM STRIDED_SLICE BIDIRECTIONAL_SEQUENCE_RNN EXP TOPK_V2 SPLIT LOG_SOFTMAX
DELEGATE BIDIRECTIONAL_SEQUENCE_LSTM CAST PRELU MAXIMUM ARG_MAX MINIMUM LESS NEG PADV2 GREATER
GREATER_EQUAL LESS_EQUAL SELECT SLICE SIN TRANSPOSE_CONV SPARSE_TO_DENSE TILE EXPAND_DIMS EQUAL
NOT_EQUAL LOG SUM SQRT RSQRT SHAPE POW ARG_MIN FAKE_QUANT REDUCE_PROD REDUCE_MAX PACK LOGICAL_OR
ONE_HOT LOGICAL_AND LOGICAL_NOT UNPACK REDUCE_MIN FLOOR_DIV REDUCE_ANY SQUARE ZEROS_LIKE FILL
FLOOR_MOD RANGE RESIZE_NEAREST_NEIGHBOR LEAKY_RELU SQUARED_DIFFERENCE MIRROR_PAD ABS SPLIT_V UNIQUE
CEIL REVERSE_V2 ADD_N GATHER_ND COS WHERE RANK ELU REVERSE_SEQUENCE MATRIX_DIAG QUANTIZE
MATRIX_SET_DIAG ROUND
""".split()
_TENSOR_TYPES = {0: "<f4", 1: "<f2", 2: "<i4", 3: "u1", 4: "<i8", 6: "?", 7: "<i2", 9: "i1", 10: "<f8"}
_PADDING = ("SAME", "VALID")
_ACTIVATIONS = ("NONE", "RELU", "RELU_N1_TO_1", "RELU6", "TANH", "SIGN_BIT")

# Builtin option tables as (field, flatbuffer type, default); "pad"/"act" are enums decoded to names.
_ACT = ("fused_activation_function", "act", "NONE")
_WINDOW = [("padding", "pad", "SAME"), ("stride_w", "i", 1), ("stride_h", "i", 1)]
_OPTION_FIELDS = {
    "CONV_2D": _WINDOW + [_ACT, ("dilation_w_factor", "i", 1), ("dilation_h_factor", "i", 1)],
    "DEPTHWISE_CONV_2D": _WINDOW + [("depth_multiplier", "i", 1), _ACT,
                                    ("dilation_w_factor", "i", 1), ("dilation_h_factor", "i", 1)],
    "MAX_POOL_2D": _WINDOW + [("filter_width", "i", 1), ("filter_height", "i", 1), _ACT],
    "FULLY_CONNECTED": [_ACT, ("weights_format", "b", 0), ("keep_num_dims", "?", False)],
    "CONCATENATION": [("axis", "i", 0), _ACT],
    "ADD": [_ACT],
    "RESHAPE": [("new_shape", "[i", None)],
    "RESIZE_BILINEAR": [("new_height", "i", 0), ("new_width", "i", 0),
                        ("align_corners", "?", False), ("half_pixel_centers", "?", False)],
    "MEAN": [("keep_dims", "?", False)],
}


class _Table:
    """One flatbuffer table: fields are looked up by slot through the table's vtable."""

    def __init__(self, buf: bytes, pos: int):
        self.buf, self.pos = buf, pos
        self.vtable = pos - struct.unpack_from("<i", buf, pos)[0]
        self.vtable_size = struct.unpack_from("<H", buf, self.vtable)[0]

    def _offset(self, slot: int) -> int:
        entry = 4 + 2 * slot
        return struct.unpack_from("<H", self.buf, self.vtable + entry)[0] if entry < self.vtable_size else 0

    def scalar(self, slot: int, fmt: str, default=0):
        offset = self._offset(slot)
        return struct.unpack_from("<" + fmt, self.buf, self.pos + offset)[0] if offset else default

    def _target(self, slot: int) -> int | None:
        offset = self._offset(slot)
        if not offset:
            return None
        at = self.pos + offset
        return at + struct.unpack_from("<I", self.buf, at)[0]

    def table(self, slot: int) -> _Table | None:
        at = self._target(slot)
        return None if at is None else _Table(self.buf, at)

    def tables(self, slot: int) -> list[_Table]:
        at = self._target(slot)
        if at is None:
            return []
        count = struct.unpack_from("<I", self.buf, at)[0]
        items = (at + 4 + 4 * i for i in range(count))
        return [_Table(self.buf, item + struct.unpack_from("<I", self.buf, item)[0]) for item in items]

    def array(self, slot: int, dtype: str) -> np.ndarray | None:
        at = self._target(slot)
        if at is None:
            return None
        return np.frombuffer(self.buf, dtype, struct.unpack_from("<I", self.buf, at)[0], at + 4)

    def string(self, slot: int) -> str | None:
        raw = self.array(slot, "u1")
        return None if raw is None else raw.tobytes().decode()


def read_tflite(data: bytes) -> Graph:
    """Parses the first subgraph of a .tflite flatbuffer."""
    if data[4:8] != IDENTIFIER:
        raise ValueError(f"not a TFLite model: expected identifier {IDENTIFIER!r} at byte 4,"
                         f" found {bytes(data[4:8])!r}")
    try:
        return _read_model(bytes(data))
    except (struct.error, IndexError, ValueError, UnicodeDecodeError) as error:
        raise ValueError(f"malformed TFLite flatbuffer: {error}") from error


def _read_model(buf: bytes) -> Graph:
    model = _Table(buf, struct.unpack_from("<I", buf, 0)[0])
    kinds = [_operator_kind(code) for code in model.tables(1)]
    buffers = model.tables(4)
    subgraph = model.tables(2)[0]
    tensors = [_read_tensor(t, buffers, buf) for t in subgraph.tables(0)]
    operators = []
    for op in subgraph.tables(3):
        kind = kinds[op.scalar(0, "I")]
        operators.append(Operator(kind, _indices(op, 1), _indices(op, 2), _read_options(kind, op.table(4))))
    return Graph(tensors, _indices(subgraph, 1), _indices(subgraph, 2), operators)


def _indices(table: _Table, slot: int) -> list[int]:
    values = table.array(slot, "<i4")
    return [] if values is None else values.tolist()


def _operator_kind(code: _Table) -> str:
    # Codes above 127 live only in the int32 field; older files fill only the int8 one.
    number = max(code.scalar(0, "b"), code.scalar(3, "i"))
    name = _BUILTIN_NAMES[number] if number < len(_BUILTIN_NAMES) else f"BUILTIN_{number}"
    return f"CUSTOM:{code.string(1)}" if name == "CUSTOM" else name


def _read_tensor(table: _Table, buffers: list[_Table], buf: bytes) -> Tensor:
    name = table.string(3)
    shape = table.array(0, "<i4")
    shape = () if shape is None else tuple(int(d) for d in shape)
    type_code = table.scalar(1, "b")
    if type_code not in _TENSOR_TYPES:
        raise UnsupportedError(f"tensor {name!r} has TFLite type {type_code}")
    dtype = np.dtype(_TENSOR_TYPES[type_code])
    data = None
    buffer = buffers[table.scalar(2, "I")]
    raw = buffer.array(0, "u1")
    offset = buffer.scalar(1, "Q")
    if offset > 1:  # large models keep their weights after the flatbuffer
        raw = np.frombuffer(buf, "u1", buffer.scalar(2, "Q"), offset)
    if raw is not None and raw.size:
        data = raw.view(dtype).reshape(shape)
    params = table.table(4)
    scale = None if params is None else params.array(2, "<f4")
    quantization = (scale, params.array(3, "<i8")) if scale is not None and scale.size else None
    return Tensor(name, shape, dtype, data, quantization)


def _read_options(kind: str, table: _Table | None) -> dict:
    options = {}
    if table is None:
        return options
    for slot, (name, kind_of_field, default) in enumerate(_OPTION_FIELDS.get(kind, ())):
        if kind_of_field == "[i":
            value = table.array(slot, "<i4")
            options[name] = default if value is None else value.tolist()
        elif kind_of_field in ("pad", "act"):
            names = _PADDING if kind_of_field == "pad" else _ACTIVATIONS
            options[name] = names[table.scalar(slot, "b", names.index(default))]
        else:
            options[name] = table.scalar(slot, kind_of_field, default)
    return options


# ---------------------------------------------------------------------------------------------
# ONNX emission
# ---------------------------------------------------------------------------------------------

def to_onnx(graph: Graph, name: str = "model") -> onnx.ModelProto:
    """Builds an ONNX model with the graph's input and output names, dtypes and NHWC shapes."""
    emitter = _Emitter(graph)
    for index in graph.inputs:
        emitter.produce(index, NATIVE)
    for op in graph.operators:
        if any(i >= 0 and graph.tensors[i].quantization is not None for i in op.inputs + op.outputs):
            raise UnsupportedError(f"{op.kind} on quantised tensors is not supported")
        if op.kind not in _BUILDERS:
            raise UnsupportedError(f"TFLite operator {op.kind} is not supported")
        _BUILDERS[op.kind](emitter, op)
        emitter.finish_activation()
    for index in graph.outputs:
        emitter.value(index, NATIVE)
    onnx_graph = helper.make_graph(emitter.nodes, name, [emitter.value_info(i) for i in graph.inputs],
                                   [emitter.value_info(i) for i in graph.outputs], emitter.initializers)
    return helper.make_model(onnx_graph, opset_imports=[helper.make_opsetid("", OPSET)],
                             producer_name="velmora-tflite2onnx")


class _Emitter:
    """Tracks which layouts each TFLite tensor is available in and writes nodes and initialisers.

    Activations are kept NCHW between spatial ops; a Transpose is emitted only the first time a
    consumer needs the other layout, and reused after that.
    """

    def __init__(self, graph: Graph):
        self.tensors = graph.tensors
        self.constants = {i: t.data for i, t in enumerate(graph.tensors) if t.data is not None}
        self.available: dict[tuple[int, str], str] = {}  # (tensor, layout) -> ONNX value name
        self.nodes: list[onnx.NodeProto] = []
        self.initializers: list[onnx.TensorProto] = []
        self._initialized: dict[tuple, str] = {}
        self._pending_activation = None
        self._fresh = 0

    def shape(self, index: int) -> tuple[int, ...]:
        return self.tensors[index].shape

    def constant(self, index: int) -> np.ndarray:
        if index not in self.constants:
            raise UnsupportedError(f"tensor {self.tensors[index].name!r} must be a constant")
        return self.constants[index]

    def has(self, index: int, layout: str) -> bool:
        return (index, layout) in self.available

    def produce(self, index: int, layout: str) -> str:
        name = self.tensors[index].name + (NCHW_SUFFIX if layout == NCHW else "")
        self.available[(index, layout)] = name
        return name

    def value(self, index: int, layout: str) -> str:
        """Name of tensor `index` in `layout`; constants with fewer than 4 dims broadcast from the right."""
        if index in self.constants:
            data = self.constants[index]
            if layout == NCHW:
                return self.initializer(index, "nchw", lambda: data.reshape((1,) * (4 - data.ndim) + data.shape)
                                        .transpose(TO_NCHW))
            return self.initializer(index, "", lambda: data)
        if (index, layout) not in self.available:
            other = NATIVE if layout == NCHW else NCHW
            self.node("Transpose", [self.available[(index, other)]], [self.produce(index, layout)],
                      perm=list(TO_NCHW if layout == NCHW else TO_NHWC))
        return self.available[(index, layout)]

    def initializer(self, index: int, form: str, make) -> str:
        """Adds constant tensor `index` in a transformed `form` once, however many ops use it."""
        key = (index, form)
        if key not in self._initialized:
            name = self.tensors[index].name + (f"@{form}" if form else "")
            self.initializers.append(numpy_helper.from_array(np.ascontiguousarray(make()), name))
            self._initialized[key] = name
        return self._initialized[key]

    def literal(self, values, dtype=np.int64) -> str:
        array = np.asarray(values, dtype)
        key = ("literal", array.dtype.str, array.shape, array.tobytes())
        if key not in self._initialized:
            name = self.fresh("const")
            self.initializers.append(numpy_helper.from_array(array, name))
            self._initialized[key] = name
        return self._initialized[key]

    def fresh(self, base: str) -> str:
        self._fresh += 1
        return f"{base}/{self._fresh}"

    def node(self, op_type: str, inputs: list[str], outputs: list[str], **attributes) -> None:
        self.nodes.append(helper.make_node(op_type, inputs, outputs, name=outputs[0], **attributes))

    def output(self, op: Operator, layout: str) -> str:
        """Name the op's builder writes to; a fused activation then follows it into the real output."""
        final = self.produce(op.outputs[0], layout)
        activation = op.options.get("fused_activation_function", "NONE")
        if activation == "NONE":
            return final
        self._pending_activation = (activation, final + "/linear", final)
        return final + "/linear"

    def finish_activation(self) -> None:
        if self._pending_activation is None:
            return
        activation, source, target = self._pending_activation
        self._pending_activation = None
        if activation == "RELU":
            self.node("Relu", [source], [target])
        elif activation == "TANH":
            self.node("Tanh", [source], [target])
        elif activation in ("RELU6", "RELU_N1_TO_1"):
            low, high = (0.0, 6.0) if activation == "RELU6" else (-1.0, 1.0)
            self.node("Clip", [source, self.literal(low, np.float32), self.literal(high, np.float32)], [target])
        else:
            raise UnsupportedError(f"fused activation {activation} is not supported")

    def follow_layout(self, op: Operator) -> str:
        """Element-wise ops run in NCHW when their 4-D activations already are."""
        activations = [i for i in op.inputs if i >= 0 and i not in self.constants]
        if (len(self.shape(op.outputs[0])) == 4 and activations
                and all(len(self.shape(i)) == 4 for i in activations)
                and any(self.has(i, NCHW) for i in activations)):
            return NCHW
        return NATIVE

    def reshape(self, source: str, shape, target: str | None = None) -> str:
        target = target or self.fresh(source)
        self.node("Reshape", [source, self.literal(shape)], [target])
        return target

    def value_info(self, index: int) -> onnx.ValueInfoProto:
        tensor = self.tensors[index]
        if tensor.dtype != np.float32:
            raise UnsupportedError(f"graph input/output {tensor.name!r} has type {tensor.dtype}, not float32")
        return helper.make_tensor_value_info(tensor.name, TensorProto.FLOAT, list(tensor.shape))


def _same_pads(in_hw, kernel_hw, strides, dilations) -> list[int]:
    """ONNX [top, left, bottom, right] for TFLite SAME padding, which puts any odd pixel at the end."""
    begins, ends = [], []
    for size, kernel, stride, dilation in zip(in_hw, kernel_hw, strides, dilations):
        out = -(-size // stride)
        total = max((out - 1) * stride + (kernel - 1) * dilation + 1 - size, 0)
        begins.append(total // 2)
        ends.append(total - total // 2)
    return begins + ends


def _window_attributes(emitter: _Emitter, op: Operator, kernel_hw, dilations=(1, 1)) -> dict:
    strides = [op.options["stride_h"], op.options["stride_w"]]
    in_hw = emitter.shape(op.inputs[0])[1:3]
    pads = _same_pads(in_hw, kernel_hw, strides, dilations) if op.options["padding"] == "SAME" else [0] * 4
    return {"kernel_shape": list(kernel_hw), "strides": strides, "pads": pads}


def _convolution(emitter: _Emitter, op: Operator) -> None:
    x, weights = op.inputs[:2]
    bias = op.inputs[2] if len(op.inputs) > 2 else -1
    kernel = emitter.constant(weights)
    if op.kind == "CONV_2D":  # OHWI -> OIHW
        form, group, layout = "oihw", 1, TO_NCHW
    else:  # 1 x H x W x (C*M) -> (C*M) x 1 x H x W, one group per input channel
        form, group, layout = "grouped", emitter.shape(x)[3], (3, 0, 1, 2)
    dilations = [op.options["dilation_h_factor"], op.options["dilation_w_factor"]]
    inputs = [emitter.value(x, NCHW), emitter.initializer(weights, form, lambda: kernel.transpose(layout))]
    if bias >= 0:
        inputs.append(emitter.value(bias, NATIVE))
    emitter.node("Conv", inputs, [emitter.output(op, NCHW)], group=group, dilations=dilations,
                 **_window_attributes(emitter, op, kernel.shape[1:3], dilations))


def _max_pool(emitter: _Emitter, op: Operator) -> None:
    kernel_hw = (op.options["filter_height"], op.options["filter_width"])
    emitter.node("MaxPool", [emitter.value(op.inputs[0], NCHW)], [emitter.output(op, NCHW)],
                 **_window_attributes(emitter, op, kernel_hw))


def _elementwise(onnx_op: str):
    def build(emitter: _Emitter, op: Operator) -> None:
        layout = emitter.follow_layout(op)
        emitter.node(onnx_op, [emitter.value(i, layout) for i in op.inputs], [emitter.output(op, layout)])
    return build


def _pad(emitter: _Emitter, op: Operator) -> None:
    layout = emitter.follow_layout(op)
    paddings = emitter.constant(op.inputs[1]).astype(np.int64)
    if layout == NCHW:
        paddings = paddings[list(TO_NCHW)]
    emitter.node("Pad", [emitter.value(op.inputs[0], layout), emitter.literal(paddings.T.ravel())],
                 [emitter.output(op, layout)])


def _concatenation(emitter: _Emitter, op: Operator) -> None:
    layout = emitter.follow_layout(op)
    axis = op.options["axis"] % len(emitter.shape(op.outputs[0]))
    emitter.node("Concat", [emitter.value(i, layout) for i in op.inputs], [emitter.output(op, layout)],
                 axis=NCHW_AXIS[axis] if layout == NCHW else axis)


def _reshape(emitter: _Emitter, op: Operator) -> None:
    emitter.reshape(emitter.value(op.inputs[0], NATIVE), emitter.shape(op.outputs[0]), emitter.output(op, NATIVE))


def _resize_bilinear(emitter: _Emitter, op: Operator) -> None:
    if op.options["align_corners"] and op.options["half_pixel_centers"]:
        raise UnsupportedError("RESIZE_BILINEAR with both align_corners and half_pixel_centers")
    mode = ("align_corners" if op.options["align_corners"]
            else "half_pixel" if op.options["half_pixel_centers"] else "asymmetric")
    sizes = [emitter.shape(op.outputs[0])[axis] for axis in TO_NCHW]
    emitter.node("Resize", [emitter.value(op.inputs[0], NCHW), "", "", emitter.literal(sizes)],
                 [emitter.output(op, NCHW)], mode="linear", coordinate_transformation_mode=mode)


def _mean(emitter: _Emitter, op: Operator) -> None:
    x = op.inputs[0]
    rank = len(emitter.shape(x))
    axes = sorted({int(a) % rank for a in emitter.constant(op.inputs[1]).ravel()})
    keep_dims = bool(op.options["keep_dims"])
    kept_in_nchw_order = [a for a in TO_NCHW if a not in axes] if rank == 4 else []
    # Reducing NCHW directly is fine unless dropping axes would leave them out of NHWC order.
    if rank == 4 and emitter.has(x, NCHW) and (keep_dims or kept_in_nchw_order == sorted(kept_in_nchw_order)):
        source, axes, layout = emitter.value(x, NCHW), [NCHW_AXIS[a] for a in axes], NCHW if keep_dims else NATIVE
    else:
        source, layout = emitter.value(x, NATIVE), NATIVE
    emitter.node("ReduceMean", [source], [emitter.output(op, layout)], axes=axes, keepdims=int(keep_dims))


def _fully_connected(emitter: _Emitter, op: Operator) -> None:
    x, weights = op.inputs[:2]
    bias = op.inputs[2] if len(op.inputs) > 2 else -1
    units, depth = emitter.shape(weights)
    rows = math.prod(emitter.shape(x)) // depth
    source = emitter.value(x, NATIVE)
    if len(emitter.shape(x)) != 2:
        source = emitter.reshape(source, [rows, depth])
    inputs = [source, emitter.value(weights, NATIVE)] + ([emitter.value(bias, NATIVE)] if bias >= 0 else [])
    target = emitter.output(op, NATIVE)
    if tuple(emitter.shape(op.outputs[0])) == (rows, units):
        emitter.node("Gemm", inputs, [target], transB=1)
    else:
        product = emitter.fresh(target)
        emitter.node("Gemm", inputs, [product], transB=1)
        emitter.reshape(product, emitter.shape(op.outputs[0]), target)


def _dequantize(emitter: _Emitter, op: Operator) -> None:
    source = op.inputs[0]
    if source not in emitter.constants or emitter.tensors[source].dtype != np.float16:
        raise UnsupportedError(f"DEQUANTIZE of {emitter.tensors[source].name!r}: only constant float16 tensors"
                               " are supported")
    emitter.constants[op.outputs[0]] = emitter.constants[source].astype(np.float32)


_BUILDERS = {
    "ADD": _elementwise("Add"),
    "CONCATENATION": _concatenation,
    "CONV_2D": _convolution,
    "DEPTHWISE_CONV_2D": _convolution,
    "DEQUANTIZE": _dequantize,
    "FULLY_CONNECTED": _fully_connected,
    "LOGISTIC": _elementwise("Sigmoid"),
    "MAX_POOL_2D": _max_pool,
    "MEAN": _mean,
    "PAD": _pad,
    "PRELU": _elementwise("PRelu"),
    "RESHAPE": _reshape,
    "RESIZE_BILINEAR": _resize_bilinear,
}


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("tflite")
    parser.add_argument("onnx")
    args = parser.parse_args(argv)
    with open(args.tflite, "rb") as source:
        model = to_onnx(read_tflite(source.read()))
    onnx.checker.check_model(model)
    onnx.save(model, args.onnx)
    return 0


if __name__ == "__main__":
    sys.exit(main())
