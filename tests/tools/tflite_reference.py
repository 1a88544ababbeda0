"""NumPy reference interpreter for the TFLite ops Velmora's models use, in TFLite's own NHWC and weight layouts.

It shares only the IR with the converter, so the converter's layout, padding and weight handling is checked
against a separate reading of each op's semantics. Computes in float64.
"""
import numpy as np


def outputs(graph, feeds: dict) -> dict:
    """Evaluates the graph; returns its outputs by name. `feeds` maps input names to arrays."""
    values = {i: t.data for i, t in enumerate(graph.tensors) if t.data is not None}
    for index in graph.inputs:
        values[index] = np.asarray(feeds[graph.tensors[index].name], np.float64)
    for op in graph.operators:
        apply(op, values)
    return {graph.tensors[i].name: values[i] for i in graph.outputs}


def apply(op, values: dict) -> None:
    """Evaluates one operator, reading and writing `values` (tensor index -> array)."""
    args = [values[i] if i >= 0 else None for i in op.inputs]
    result = _OPS[op.kind](op.options, *args)
    values[op.outputs[0]] = _ACTIVATIONS[op.options.get("fused_activation_function", "NONE")](result)


_ACTIVATIONS = {"NONE": lambda x: x, "RELU": lambda x: np.maximum(x, 0.0), "RELU6": lambda x: np.clip(x, 0.0, 6.0),
                "RELU_N1_TO_1": lambda x: np.clip(x, -1.0, 1.0), "TANH": np.tanh}


def _out_size_and_padding(size, kernel, stride, dilation, padding):
    """TFLite's output size and (before, after) padding; SAME puts the odd pixel after."""
    effective = (kernel - 1) * dilation + 1
    if padding == "VALID":
        return (size - effective) // stride + 1, 0, 0
    out = (size + stride - 1) // stride
    needed = max(0, (out - 1) * stride + effective - size)
    return out, needed // 2, needed - needed // 2


def _taps(x, options, kernel_h, kernel_w, fill=0.0):
    """Yields (row, col, window) with window[n, y, x, c] = padded input under kernel tap (row, col)."""
    stride_h, stride_w = options["stride_h"], options["stride_w"]
    dil_h, dil_w = options.get("dilation_h_factor", 1), options.get("dilation_w_factor", 1)
    out_h, top, bottom = _out_size_and_padding(x.shape[1], kernel_h, stride_h, dil_h, options["padding"])
    out_w, left, right = _out_size_and_padding(x.shape[2], kernel_w, stride_w, dil_w, options["padding"])
    padded = np.pad(x, ((0, 0), (top, bottom), (left, right), (0, 0)), constant_values=fill)
    for row in range(kernel_h):
        for col in range(kernel_w):
            y0, x0 = row * dil_h, col * dil_w
            yield row, col, padded[:, y0:y0 + (out_h - 1) * stride_h + 1:stride_h,
                                   x0:x0 + (out_w - 1) * stride_w + 1:stride_w, :]


def _conv_2d(options, x, weights, bias=None):
    # weights: [out_channels, kernel_h, kernel_w, in_channels]
    result = sum(np.tensordot(window, weights[:, row, col, :], axes=([3], [1]))
                 for row, col, window in _taps(x, options, weights.shape[1], weights.shape[2]))
    return result if bias is None else result + bias


def _depthwise_conv_2d(options, x, weights, bias=None):
    # weights: [1, kernel_h, kernel_w, in_channels * multiplier]; output channel c*m + k reads input channel c
    multiplier = weights.shape[3] // x.shape[3]
    result = sum(np.repeat(window, multiplier, axis=3) * weights[0, row, col, :]
                 for row, col, window in _taps(x, options, weights.shape[1], weights.shape[2]))
    return result if bias is None else result + bias


def _max_pool_2d(options, x):
    return np.maximum.reduce([w for _, _, w in _taps(x, options, options["filter_height"], options["filter_width"],
                                                     -np.inf)])


def _resize_bilinear(options, x, size):
    result = x
    for axis, new_size in zip((1, 2), size):
        old_size = x.shape[axis]
        corners = options["align_corners"] and new_size > 1
        scale = (old_size - 1) / (new_size - 1) if corners else old_size / new_size
        position = np.arange(new_size, dtype=np.float64)
        position = (position + 0.5) * scale - 0.5 if options["half_pixel_centers"] else position * scale
        lower = np.maximum(np.floor(position), 0).astype(int)
        upper = np.minimum(np.ceil(position), old_size - 1).astype(int)
        weight = (position - np.floor(position)).reshape([-1 if a == axis else 1 for a in range(4)])
        result = (np.take(result, lower, axis=axis) * (1 - weight) + np.take(result, upper, axis=axis) * weight)
    return result


def _fully_connected(options, x, weights, bias=None):
    result = x.reshape(-1, weights.shape[1]) @ weights.T + (0.0 if bias is None else bias)
    return result.reshape(x.shape[:-1] + (weights.shape[0],)) if options["keep_num_dims"] else result


def _reshape(options, x, shape=None):
    return x.reshape([int(d) for d in (shape if shape is not None else options["new_shape"])])


def _mean(options, x, axes):
    return x.mean(axis=tuple(int(a) for a in np.ravel(axes)), keepdims=bool(options["keep_dims"]))


def _dequantize(options, x):
    if x.dtype != np.float16:
        raise NotImplementedError("DEQUANTIZE of non-float16 data")
    return x.astype(np.float64)


_OPS = {
    "ADD": lambda options, a, b: a + b,
    "CONCATENATION": lambda options, *xs: np.concatenate(xs, axis=options["axis"]),
    "CONV_2D": _conv_2d,
    "DEPTHWISE_CONV_2D": _depthwise_conv_2d,
    "DEQUANTIZE": _dequantize,
    "FULLY_CONNECTED": _fully_connected,
    "LOGISTIC": lambda options, x: 1.0 / (1.0 + np.exp(-x)),
    "MAX_POOL_2D": _max_pool_2d,
    "MEAN": _mean,
    "PAD": lambda options, x, paddings: np.pad(x, np.asarray(paddings, int)),
    "PRELU": lambda options, x, alpha: np.where(x >= 0, x, x * alpha),
    "RESHAPE": _reshape,
    "RESIZE_BILINEAR": _resize_bilinear,
}
