// Validates glTF files with the Khronos glTF validator: prints each file's errors and
// warnings, and exits 1 when any file has either.
//
//   node validate.js MODULES FILE...   (MODULES: the folder gltf-validator is installed in)
'use strict';
const fs = require('fs');
const path = require('path');

const [modules, ...files] = process.argv.slice(2);
const validator = require(path.resolve(modules, 'node_modules', 'gltf-validator'));

async function validate(file) {
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      fs.promises.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri))).then((b) => new Uint8Array(b)),
  });
  const { numErrors, numWarnings, messages } = report.issues;
  console.log(`${file}: ${numErrors} errors, ${numWarnings} warnings`);
  for (const m of messages)
    if (m.severity <= 1) console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code} ${m.pointer || ''}: ${m.message}`);
  return numErrors === 0 && numWarnings === 0;
}

(async () => {
  let ok = files.length > 0;
  for (const file of files) ok = (await validate(file)) && ok;
  process.exit(ok ? 0 : 1);
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
