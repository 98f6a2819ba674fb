#!/usr/bin/env node
// Answers validity, order and range questions with npm's own semver package,
// one JSON line per request line. Texts arrive as strings whose code points are
// the text's bytes; bytes that are not UTF-8 are no version at all.
'use strict';

const path = require('path');
const readline = require('readline');
const semver = require(path.join(__dirname, 'node_modules', 'semver'));

// ignoreBOM keeps a leading U+FEFF in the string: the package trims it, and
// it counts towards the length limit.
const utf8 = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true });

function decode(text) {
  try {
    return utf8.decode(Buffer.from(text, 'latin1'));
  } catch (error) {
    return null;
  }
}

function isValid(text) {
  const decoded = decode(text);
  return decoded !== null && semver.valid(decoded) !== null;
}

// For each range, null where npm's validRange() refuses it, else one '0' or
// '1' per version, as semver.satisfies(version, range) answers: it builds
// the same Range and asks it about each version, so the Range is built once.
function satisfies(ranges, versionTexts) {
  const versions = versionTexts.map((text) => new semver.SemVer(decode(text)));
  return ranges.map((text) => {
    const decoded = decode(text);
    let range;
    try {
      range = new semver.Range(decoded);
    } catch (error) {
      return null;
    }
    return versions.map((version) => (range.test(version) ? '1' : '0')).join('');
  });
}

function answer(request) {
  if ('satisfies' in request) return satisfies(request.satisfies, request.versions);
  if ('valid' in request) return request.valid.map(isValid);
  if ('compare' in request) {
    return request.compare.map(([a, b]) => semver.compare(decode(a), decode(b)));
  }
  throw new Error('unknown request: ' + Object.keys(request).join(','));
}

const lines = readline.createInterface({ input: process.stdin, terminal: false });
lines.on('line', (line) => {
  if (line.trim() === '') return;
  process.stdout.write(JSON.stringify(answer(JSON.parse(line))) + '\n');
});
