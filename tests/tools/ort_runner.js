// Runs ONNX models with ONNX Runtime for the Python tests: one JSON request per stdin line, one reply per stdout line.
// Request {model, inputs: {name: {dims, data: base64 float32}}}; reply {outputs: [{name, dims, data}]} or {error}.
'use strict';
const path = require('path');
const readline = require('readline');

const ort = require(path.join(process.argv[2], 'onnxruntime-node'));
const sessions = new Map();

async function run(request) {
  if (!sessions.has(request.model)) sessions.set(request.model, await ort.InferenceSession.create(request.model));
  const session = sessions.get(request.model);
  const feeds = {};
  for (const [name, input] of Object.entries(request.inputs)) {
    const bytes = Buffer.from(input.data, 'base64');
    const values = new Float32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4);
    feeds[name] = new ort.Tensor('float32', Float32Array.from(values), input.dims);
  }
  const results = await session.run(feeds);
  return {
    outputs: session.outputNames.map((name) => {
      const tensor = results[name];
      if (tensor.type !== 'float32') throw new Error(`output ${name} is ${tensor.type}, not float32`);
      const data = Buffer.from(tensor.data.buffer, tensor.data.byteOffset, tensor.data.byteLength);
      return {name, dims: tensor.dims, data: data.toString('base64')};
    }),
  };
}

(async () => {
  for await (const line of readline.createInterface({input: process.stdin})) {
    let reply;
    try {
      reply = await run(JSON.parse(line));
    } catch (error) {
      reply = {error: String(error && error.message || error)};
    }
    process.stdout.write(JSON.stringify(reply) + '\n');
  }
})();
