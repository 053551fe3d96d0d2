'use strict';
// The showcase as vtr-pack will pack it: its vtr.ini, the files its page and its menu name, and
// the small helpers of its script.
// Usage: node showcase_test.js REPO_ROOT
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

const showcase = path.join(process.argv[2], 'examples/showcase');
const appDir = path.join(showcase, 'app');

const context = vm.createContext({});
vm.runInContext(fs.readFileSync(path.join(appDir, 'cards.js'), 'utf8'), context);
const page = vm.runInContext('({ APP_DIR, showcaseMenu, showcaseGroups, findMenuItem, plainCaption, nextZoom, describeResult })', context);

/** Section App of vtr.ini, keys in lower case, the last of equal keys winning. */
function readIni(text) {
    const keys = {};
    let section = null;
    for (const raw of text.replace(/^\uFEFF/, '').split(/\r\n|\r|\n/)) {
        const line = raw.trim();
        if (line === '' || line.startsWith(';')) {
            continue;
        }
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.slice(1, -1).trim().toLowerCase();
        } else if (section === 'app' && line.includes('=')) {
            const eq = line.indexOf('=');
            keys[line.slice(0, eq).trimEnd().toLowerCase()] = line.slice(eq + 1).trimStart();
        }
    }
    return keys;
}

/** Every item of a menu description, submenus included. */
function allItems(items) {
    return items.flatMap((item) => [item, ...allItems(item.items || [])]);
}

test('vtr.ini names the application, its archive folder and a start page the folder holds', () => {
    const ini = readIni(fs.readFileSync(path.join(showcase, 'vtr.ini'), 'utf8'));
    for (const key of ['id', 'name', 'dirname']) {
        assert.ok(ini[key], `${key} is set: the runtime does not start without it`);
    }
    assert.equal(ini.dirname, page.APP_DIR, 'the menu icons are named inside DirName');
    assert.ok(fs.statSync(path.join(appDir, ini.indexhtml || 'index.html')).isFile());
    for (const key of ['width', 'height', 'minwidth', 'minheight', 'allowzoom', 'allowdebug']) {
        assert.match(ini[key], /^\d+$/, `${key} is a number the runtime can read`);
    }
});

test('the demo menu is a valid description whose icons are files of the packed folder', () => {
    const items = allItems(page.showcaseMenu);
    for (const item of items) {
        assert.equal(typeof item.caption, 'string');
        assert.ok(Number.isInteger(item.id), `${item.caption}: id`);
        assert.ok(item.items === undefined || Array.isArray(item.items), `${item.caption}: items`);
    }
    const images = items.filter((i) => i.image).map((i) => i.image);
    const update = page.showcaseGroups.flatMap((g) => g.calls).find((c) => c.name === 'mainMenu.updateItem');
    const choices = update.fields.find((f) => f.key === 'image').options.filter((o) => o !== '');
    images.push(...choices.map((name) => `${page.APP_DIR}/icons/${name}.png`));
    assert.ok(images.length > 0);
    for (const image of images) {
        assert.ok(image.startsWith(`${page.APP_DIR}/`), `${image} is an archive entry name`);
        const file = path.join(appDir, image.slice(page.APP_DIR.length + 1));
        assert.deepEqual([...fs.readFileSync(file).subarray(0, 8)], [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a], `${image} is a PNG`);
    }
});

test('the page loads only files of its own folder', () => {
    const html = fs.readFileSync(path.join(appDir, 'index.html'), 'utf8');
    const refs = [...html.matchAll(/\b(?:src|href)="([^"#]+)"/g)].map((m) => m[1]);
    assert.ok(refs.length >= 3);
    for (const ref of refs) {
        assert.ok(fs.statSync(path.join(appDir, ref)).isFile(), `${ref} is in the folder`);
    }
    for (const name of fs.readdirSync(appDir).filter((n) => /\.(html|css|js)$/.test(n))) {
        const text = fs.readFileSync(path.join(appDir, name), 'utf8');
        assert.doesNotMatch(text, /\bhttps?:\/\//i, `${name} names no web address`);
        assert.doesNotMatch(text, /(?:src=|href=|url\()\s*["']?\/\//i, `${name} names no server-relative address`);
    }
});

test('findMenuItem searches depth-first and takes the first match in menu order', () => {
    const menu = [
        { caption: 'A', id: 1, items: [{ caption: 'A1', id: 7 }, { caption: 'A2', id: 2 }] },
        { caption: 'B', id: 7 },
        { caption: 'C', id: 3, items: [{ caption: 'C1', id: 4, items: [{ caption: 'C1a', id: 5 }] }] },
    ];
    const cases = [
        [7, 'A1'],
        [2, 'A2'],
        [5, 'C1a'],
        [3, 'C'],
        [9, undefined],
    ];
    for (const [id, caption] of cases) {
        assert.equal(page.findMenuItem(menu, id)?.caption, caption, `id ${id}`);
    }
});

test('plainCaption shows a caption as the menu draws it', () => {
    const cases = [
        ['&Open…', 'Open…'],
        ['Save &as', 'Save as'],
        ['Salt && pepper', 'Salt & pepper'],
        ['Trailing &', 'Trailing '],
        ['-', '-'],
    ];
    for (const [caption, shown] of cases) {
        assert.equal(page.plainCaption(caption), shown, caption);
    }
});

test('nextZoom reads the zoom text in either decimal format and stays in range', () => {
    const cases = [
        ['1', 0.1, 1.1],
        ['1.5', 0.1, 1.6],
        ['1,5', 0.1, 1.6], // regional format with a decimal comma
        ['1,25', -0.1, 1.15],
        ['0', 0.1, 1.1], // the view not ready yet: start from 100 %
        ['', -0.1, 0.9],
        ['0.3', -0.1, 0.25],
        ['4.95', 0.1, 5],
    ];
    for (const [text, step, expected] of cases) {
        assert.equal(page.nextZoom(text, step), expected, `${JSON.stringify(text)} ${step}`);
    }
});

test('describeResult tells the empty text and a rejection reason apart', () => {
    const cases = [
        ['', 'empty text', '""'],
        ['Missing filePath', 'text', 'Missing filePath'],
        [true, 'boolean', 'true'],
        [['a', 'b"c'], 'array of 2', '"a"\n"b\\"c"'],
        [vm.runInContext('new TypeError("no webview")', context), 'TypeError', 'no webview'],
        [undefined, 'undefined', 'undefined'],
    ];
    for (const [value, type, text] of cases) {
        assert.deepEqual({ ...page.describeResult(value) }, { type, text }, String(value));
    }
});
