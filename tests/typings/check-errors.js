'use strict';
// Compiles a TypeScript file that is meant to fail and checks that it fails exactly where its
// "// error TSnnnn" comments say: every marked line with that code, and nowhere else.
// Usage: node check-errors.js TSC FILE [tsc options...]
const { spawnSync } = require('child_process');
const fs = require('fs');
const path = require('path');

const [tsc, file, ...options] = process.argv.slice(2);
if (!tsc || !file) {
    console.error('usage: node check-errors.js TSC FILE [tsc options...]');
    process.exit(2);
}

const expected = new Set();
fs.readFileSync(file, 'utf8').split(/\r?\n/).forEach((line, i) => {
    const mark = /\/\/ error (TS\d+)\s*$/.exec(line);
    if (mark) {
        expected.add(`${i + 1} ${mark[1]}`);
    }
});
if (expected.size === 0) {
    console.error(`${file}: no line is marked "// error TSnnnn"`);
    process.exit(1);
}

const run = spawnSync(tsc, [...options, '--pretty', 'false', file], { encoding: 'utf8' });
if (run.error) {
    console.error(`cannot run ${tsc}: ${run.error.message}`);
    process.exit(1);
}
const actual = new Set();
const stray = [];
for (const line of (run.stdout + run.stderr).split('\n')) {
    const error = /^(.*)\((\d+),\d+\): error (TS\d+):/.exec(line);
    if (error && path.resolve(error[1]) === path.resolve(file)) {
        actual.add(`${error[2]} ${error[3]}`);
    } else if (line.trim() !== '' && !/^\s/.test(line)) {
        stray.push(line); // an error elsewhere (the declarations themselves) or a failure to run
    }
}

const missing = [...expected].filter((e) => !actual.has(e));
const unexpected = [...actual].filter((a) => !expected.has(a));
for (const m of missing) {
    console.error(`${file}:${m.replace(' ', ': expected error ')} was not reported`);
}
for (const u of unexpected) {
    console.error(`${file}:${u.replace(' ', ': unexpected error ')}`);
}
for (const s of stray) {
    console.error(`unexpected output: ${s}`);
}
if (missing.length || unexpected.length || stray.length) {
    process.exit(1);
}
console.log(`${file}: all ${expected.size} wrong uses are refused, nothing else is`);
