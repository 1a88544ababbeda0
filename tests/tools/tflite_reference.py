"""NumPy reference, in float64 and TFLite's own NHWC and weight layouts, for the ops and options of Velmora's two
models: it shares only the IR with the converter, so it is a separate reading of each op's semantics."""
import numpy as np


def apply(op, values: dict) -> None:
    """Evaluates one operator, reading and writing `values` (tensor index -> array)."""
    result = _OPS[op.kind](op.options, *(values[i] for i in op.inputs))
    activation = {"NONE": lambda x: x, "RELU6": lambda x: np.clip(x, 0.0, 6.0)}
    values[op.outputs[0]] = activation[op.options.get("fused_activation_function", "NONE")](result)


def _taps(options, x, kernel_h, kernel_w, fill=0.0):
    """The padded input under each kernel tap (row-major), strided to the output; SAME puts the odd pixel after."""
    pads, outs, strides = [], [], (options["stride_h"], options["stride_w"])
    for size, kernel, stride in zip(x.shape[1:3], (kernel_h, kernel_w), strides):
        outs.append(-(-size // stride) if options["padding"] == "SAME" else (size - kernel) // stride + 1)
        needed = max(0, (outs[-1] - 1) * stride + kernel - size)
        pads.append((needed // 2, needed - needed // 2))
    x = np.pad(x, [(0, 0), *pads, (0, 0)], constant_values=fill)
    return [x[:, r::strides[0], c::strides[1]][:, :outs[0], :outs[1]]
            for r in range(kernel_h) for c in range(kernel_w)]


def _conv_2d(options, x, weights, bias):  # weights [out, kernel_h, kernel_w, in]
    taps = _taps(options, x, *weights.shape[1:3])
    per_tap = weights.reshape(len(weights), len(taps), -1)
    return sum(tap @ per_tap[:, i].T for i, tap in enumerate(taps)) + bias


def _depthwise_conv_2d(options, x, weights, bias):  # weights [1, kernel_h, kernel_w, channels]: multiplier 1
    taps = _taps(options, x, *weights.shape[1:3])
    return sum(tap * w for tap, w in zip(taps, weights.reshape(len(taps), -1))) + bias


def _resize_bilinear(options, x, size):
    if options["align_corners"] or not options["half_pixel_centers"]:
        raise NotImplementedError("RESIZE_BILINEAR without half-pixel centres")
    for axis, new in zip((1, 2), size):
        old = x.shape[axis]
        position = np.clip((np.arange(new) + 0.5) * old / new - 0.5, 0, old - 1)
        low = np.floor(position).astype(int)
        weight = (position - low).reshape([-1 if a == axis else 1 for a in range(4)])
        x = np.take(x, low, axis) * (1 - weight) + np.take(x, np.minimum(low + 1, old - 1), axis) * weight
    return x


_OPS = {
    "ADD": lambda options, a, b: a + b,
    "CONCATENATION": lambda options, *xs: np.concatenate(xs, axis=options["axis"]),
    "CONV_2D": _conv_2d,
    "DEPTHWISE_CONV_2D": _depthwise_conv_2d,
    "DEQUANTIZE": lambda options, x: x.astype(np.float64),  # float16 weights
    "FULLY_CONNECTED": lambda options, x, weights, bias: x @ weights.T + bias,
    "LOGISTIC": lambda options, x: 1.0 / (1.0 + np.exp(-x)),
    "MAX_POOL_2D": lambda options, x: np.maximum.reduce(_taps(options, x, options["filter_height"],
                                                              options["filter_width"], -np.inf)),
    "MEAN": lambda options, x, axes: x.mean(axis=tuple(axes), keepdims=bool(options["keep_dims"])),
    "PAD": lambda options, x, paddings: np.pad(x, paddings),
    "PRELU": lambda options, x, alpha: np.where(x >= 0, x, x * alpha),
    "RESHAPE": lambda options, x, shape: x.reshape(shape),
    "RESIZE_BILINEAR": _resize_bilinear,
}
