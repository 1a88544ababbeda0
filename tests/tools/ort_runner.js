// Runs one ONNX model in ONNX Runtime for the Python tests: {model, inputs: {name: [dims, values]}} on stdin,
// [[name, dims, values], ...] in graph output order on stdout (a non-float output fails to serialise).
'use strict';
const ort = require(require('path').join(process.argv[2], 'onnxruntime-node'));
const request = JSON.parse(require('fs').readFileSync(0, 'utf8'));
(async () => {
  const session = await ort.InferenceSession.create(request.model);
  const feeds = {};
  for (const [name, [dims, values]] of Object.entries(request.inputs)) {
    feeds[name] = new ort.Tensor('float32', Float32Array.from(values), dims);
  }
  const results = await session.run(feeds);
  const outputs = session.outputNames.map((name) => [name, results[name].dims, Array.from(results[name].data)]);
  console.log(JSON.stringify(outputs));
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
