"""Checks the .tflite flatbuffer reader of tools/tflite2onnx.py on hand-built files.

The files are written field slot by field slot from schema.fbs, so the reader's own option tables are not reused.
"""
import struct
import unittest

import numpy as np

from tflite2onnx import UnsupportedError, read_tflite, to_onnx


class Table(dict):
    """slot -> value: (struct format, number), str, numpy vector, Table, or list of Tables."""


def flatbuffer(root: Table, identifier=b"TFL3") -> bytes:
    """Serialises front to back: each object is placed after whatever points to it, as unsigned offsets need."""
    out = bytearray(8)
    out[4:8] = identifier
    struct.pack_into("<I", out, 0, _place(out, root))
    return bytes(out)


def _place(out: bytearray, value) -> int:
    out.extend(bytes(-len(out) % 8))
    at = len(out)
    if isinstance(value, str):
        encoded = value.encode()
        out.extend(struct.pack("<I", len(encoded)) + encoded + b"\0")
    elif isinstance(value, np.ndarray):
        out.extend(struct.pack("<I", value.size) + value.tobytes())
    elif isinstance(value, list):
        out.extend(struct.pack("<I", len(value)) + bytes(4 * len(value)))
        for k, item in enumerate(value):
            _point(out, at + 4 + 4 * k, _place(out, item))
    else:
        at = _place_table(out, value)
    return at


def _place_table(out: bytearray, table: Table) -> int:
    slots = sorted(table)
    vtable = [4 + 2 * (max(slots) + 1 if slots else 0), 4 + 8 * len(slots)] + [0] * (max(slots) + 1 if slots else 0)
    for k, slot in enumerate(slots):
        vtable[2 + slot] = 4 + 8 * k  # every field gets an 8-byte cell
    vtable_at = len(out)
    out.extend(struct.pack(f"<{len(vtable)}H", *vtable))
    out.extend(bytes(-len(out) % 8))
    table_at = len(out)
    out.extend(struct.pack("<i", table_at - vtable_at) + bytes(8 * len(slots)))
    for k, slot in enumerate(slots):
        cell = table_at + 4 + 8 * k
        if isinstance(table[slot], tuple):
            struct.pack_into("<" + table[slot][0], out, cell, table[slot][1])
        else:
            _point(out, cell, _place(out, table[slot]))
    return table_at


def _point(out: bytearray, at: int, target: int) -> None:
    struct.pack_into("<I", out, at, target - at)


def ints(*values):
    return np.array(values, "<i4")


def tensor(name, shape, type_code, buffer) -> Table:
    return Table({0: ints(*shape), 1: ("b", type_code), 2: ("I", buffer), 3: name})


WEIGHTS = (np.arange(54) / 10).astype("<f2").reshape(3, 3, 3, 2)


def conv_model(operator_code: Table) -> bytes:
    """input [1,5,5,2] -> CONV_2D(float16 weights via DEQUANTIZE, float32 bias), RELU6, stride_w 2."""
    bias = np.array([0.5, -1.0, 2.0], "<f4")
    subgraph = Table({
        0: [tensor("image", (1, 5, 5, 2), 0, 0), tensor("w16", (3, 3, 3, 2), 1, 1), tensor("w", (3, 3, 3, 2), 0, 0),
            tensor("b", (3,), 0, 2), tensor("out", (1, 5, 3, 3), 0, 0)],
        1: ints(0), 2: ints(4),
        3: [Table({0: ("I", 1), 1: ints(1), 2: ints(2)}),
            # Conv2DOptions: padding, stride_w, stride_h, fused_activation_function (RELU6 = 3)
            Table({0: ("I", 0), 1: ints(0, 2, 3), 2: ints(4), 3: ("B", 1),
                   4: Table({0: ("b", 0), 1: ("i", 2), 2: ("i", 1), 3: ("b", 3)})})]})
    buffers = [Table(), Table({0: np.frombuffer(WEIGHTS.tobytes(), "u1")}),
               Table({0: np.frombuffer(bias.tobytes(), "u1")})]
    return flatbuffer(Table({0: ("I", 3), 1: [operator_code, Table({0: ("b", 6), 3: ("i", 6)})],
                             2: [subgraph], 4: buffers}))


class ReaderTest(unittest.TestCase):
    def test_reads_tensors_operators_and_options(self):
        graph = read_tflite(conv_model(Table({0: ("b", 3), 3: ("i", 3)})))
        self.assertEqual(["DEQUANTIZE", "CONV_2D"], [op.kind for op in graph.operators])
        self.assertEqual(([0], [4]), (graph.inputs, graph.outputs))
        self.assertEqual([0, 2, 3], graph.operators[1].inputs)
        self.assertEqual({"padding": "SAME", "stride_w": 2, "stride_h": 1, "fused_activation_function": "RELU6",
                          "dilation_w_factor": 1, "dilation_h_factor": 1}, graph.operators[1].options)
        weights = graph.tensors[1]
        self.assertEqual(("w16", (3, 3, 3, 2), np.float16), (weights.name, weights.shape, weights.dtype))
        np.testing.assert_array_equal(WEIGHTS, weights.data)
        np.testing.assert_array_equal([0.5, -1.0, 2.0], graph.tensors[3].data)
        self.assertIsNone(graph.tensors[0].data)
        to_onnx(graph)  # recorded shapes are consistent with the options read

    def test_builtin_code_is_the_larger_of_both_fields(self):
        # Older files fill only the int8 field; codes above 127 exist only in the int32 one.
        for code in [Table({0: ("b", 3)}), Table({3: ("i", 3)}), Table({0: ("b", 3), 3: ("i", 3)})]:
            with self.subTest(fields=sorted(code)):
                self.assertEqual("CONV_2D", read_tflite(conv_model(code)).operators[1].kind)
        graph = read_tflite(conv_model(Table({0: ("b", 127), 3: ("i", 150)})))
        self.assertEqual("BUILTIN_150", graph.operators[1].kind)
        with self.assertRaisesRegex(UnsupportedError, "BUILTIN_150"):
            to_onnx(graph)

    def test_custom_operators_are_named(self):
        graph = read_tflite(conv_model(Table({0: ("b", 32), 1: "Convolution2DTransposeBias", 3: ("i", 32)})))
        with self.assertRaisesRegex(UnsupportedError, "CUSTOM:Convolution2DTransposeBias"):
            to_onnx(graph)

    def test_rejects_other_files(self):
        with self.assertRaisesRegex(ValueError, "identifier"):
            read_tflite(b"\x1c\x00\x00\x00TFL2" + bytes(64))
        with self.assertRaisesRegex(ValueError, "malformed"):
            read_tflite(conv_model(Table({0: ("b", 3)}))[:200])
