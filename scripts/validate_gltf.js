#!/usr/bin/env node
// Runs the Khronos glTF validator on each file given (.gltf with its .bin, or .glb): prints each report's
// summary and its messages, and exits 1 when any file has an error, 2 when the validator is missing.
'use strict';
const fs = require('fs');
const path = require('path');

let validator;
try {
  validator = require(path.join(__dirname, '..', '.tools', 'node', 'node_modules', 'gltf-validator'));
} catch (e) {
  console.error('validate_gltf: the glTF validator is not installed; run scripts/deps.sh');
  process.exit(2);
}

async function check(file) {
  const bytes = new Uint8Array(fs.readFileSync(file));
  const report = await validator.validateBytes(bytes, {
    uri: path.basename(file),
    maxIssues: 100,
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)), (err, data) =>
          err ? reject(err.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  const i = report.issues;
  console.log(`${file}: ${i.numErrors} errors, ${i.numWarnings} warnings, ${i.numInfos} infos, ${i.numHints} hints`);
  for (const m of i.messages) console.log(`  ${['error', 'warning', 'info', 'hint'][m.severity]} ${m.code} ${m.pointer || ''}: ${m.message}`);
  return i.numErrors === 0;
}

(async () => {
  const files = process.argv.slice(2);
  if (files.length === 0) {
    console.error('usage: validate_gltf.js FILE...');
    process.exit(2);
  }
  let ok = true;
  for (const f of files) {
    try {
      ok = (await check(f)) && ok;
    } catch (e) {
      console.log(`${f}: could not be validated: ${e}`);
      ok = false;
    }
  }
  process.exit(ok ? 0 : 1);
})();
