'use strict';
// window.vtr as the runtime injects it (src/resources/vtr-external.js), checked against the three
// things that describe or use it: the API page, the TypeScript declarations and the showcase.
// A wrapper added to one and not the others, or an id that differs, fails here.
// Usage: node api_consistency_test.js REPO_ROOT TSC
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const vm = require('node:vm');

const [root, tsc] = process.argv.slice(2);
const read = (file) => fs.readFileSync(path.join(root, file), 'utf8');

// Which functions answer only in a packaged application, and which never reply.
const RUNTIME_ONLY = new Set([
    'files.extractFile', 'app.enterFullscreen', 'app.exitFullscreen', 'app.getArgs',
    'themes.getTheme', 'themes.getThemes', 'themes.setTheme',
    'system.logoff', 'system.reboot', 'system.shutdown', 'mainMenu.setItems', 'mainMenu.updateItem',
]);
const NO_REPLY = new Set(['app.close', 'app.enterFullscreen', 'app.exitFullscreen']);

/** The client script in a sandbox whose webview records every posted request. */
function loadClientScript() {
    const posted = [];
    const webview = {
        addEventListener() {},
        removeEventListener() {},
        postMessage(message) {
            posted.push(JSON.parse(JSON.stringify(message))); // what the engine serialises
        },
    };
    const window = { chrome: { webview } };
    vm.runInContext(read('src/resources/vtr-external.js'), vm.createContext({ window }));
    return { vtr: window.vtr, posted };
}

/** Every wrapper by path ("files.fileExists"), with its id and whether it passes its argument on. */
function wrappers() {
    const { vtr, posted } = loadClientScript();
    const found = new Map();
    const visit = (object, prefix) => {
        for (const [name, value] of Object.entries(object)) {
            const key = prefix + name;
            if (key === 'call' || prefix === 'events.') {
                continue;
            }
            if (typeof value !== 'function') {
                visit(value, `${key}.`);
                continue;
            }
            posted.length = 0;
            value.call(object, { probe: 1 });
            assert.equal(posted.length, 1, `${key} posts one request`);
            found.set(key, { id: posted[0].id, takesArgs: posted[0].data.probe === 1 });
        }
    };
    visit(vtr, '');
    return found;
}

const clientWrappers = wrappers();

test('the client script has the hooks and the generic call', () => {
    const { vtr } = loadClientScript();
    assert.equal(typeof vtr.call, 'function');
    assert.deepEqual(Object.keys(vtr.events), ['onCloseQuery', 'onMainMenuItemClick']);
    assert.equal(clientWrappers.size, 41);
});

test('the API page lists every wrapper with its id, runtime-only mark and reply', () => {
    const rows = new Map();
    for (const line of read('docs/api.md').split('\n')) {
        const cells = line.split('|').map((c) => c.trim());
        const fn = /^`vtr\.([\w.]+)\((args)?\)`$/.exec(cells[1] || '');
        if (fn && /^\d+$/.test(cells[2])) {
            rows.set(fn[1], { id: Number(cells[2]), takesArgs: fn[2] === 'args', runtimeOnly: cells[4], reply: cells[5] });
        }
    }
    assert.deepEqual([...rows.keys()].sort(), [...clientWrappers.keys()].sort());
    for (const [name, wrapper] of clientWrappers) {
        const row = rows.get(name);
        assert.equal(row.id, wrapper.id, `${name}: id`);
        assert.equal(row.takesArgs, wrapper.takesArgs, `${name}: (args)`);
        assert.equal(row.runtimeOnly, RUNTIME_ONLY.has(name) ? 'yes' : '', `${name}: runtime only`);
        assert.equal(row.reply, NO_REPLY.has(name) ? '**no reply**' : 'yes', `${name}: reply`);
    }
});

test('the declarations have exactly the client script members, with or without an argument', () => {
    const namespaces = new Map();
    const top = ['call', 'events'];
    for (const [name, wrapper] of clientWrappers) {
        const [ns, fn] = name.includes('.') ? name.split('.') : [null, name];
        if (ns === null) {
            top.push(fn);
        } else {
            if (!namespaces.has(ns)) {
                namespaces.set(ns, []);
                top.push(ns);
            }
            namespaces.get(ns).push([fn, wrapper.takesArgs]);
        }
    }
    const keys = (names) => `{ ${names.map((n) => `${n}: true`).join(', ')} }`;
    const lines = [
        `/// <reference path=${JSON.stringify(path.resolve(root, 'docs/vtr.d.ts'))} />`,
        'export {}; // a module, so that these names do not meet the globals of the DOM',
        `const top: Record<keyof Vtr, true> = ${keys(top)};`,
        `const events: Record<keyof Vtr["events"], true> = ${keys(['onCloseQuery', 'onMainMenuItemClick'])};`,
    ];
    for (const [ns, fns] of namespaces) {
        lines.push(`const ${ns}: Record<keyof Vtr["${ns}"], true> = ${keys(fns.map(([fn]) => fn))};`);
        for (const [fn, takesArgs] of fns) {
            lines.push(`const ${ns}_${fn}: Parameters<Vtr["${ns}"]["${fn}"]>["length"] = ${takesArgs ? 1 : 0};`);
        }
    }
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vtr-typings-'));
    try {
        const file = path.join(dir, 'members.ts');
        fs.writeFileSync(file, lines.join('\n') + '\n');
        const run = spawnSync(tsc, ['--noEmit', '--strict', '--target', 'es2020', '--lib', 'es2020,dom', '--pretty', 'false', file], {
            encoding: 'utf8',
        });
        assert.equal(run.status, 0, `${run.stdout}${run.stderr}\n${lines.join('\n')}`);
    } finally {
        fs.rmSync(dir, { recursive: true, force: true });
    }
});

test('the showcase calls every wrapper, with the id and marks it shows', () => {
    const { vtr, posted } = loadClientScript();
    const context = vm.createContext({ vtr });
    vm.runInContext(read('examples/showcase/app/cards.js'), context);
    const groups = vm.runInContext('showcaseGroups', context);
    const byId = new Map([...clientWrappers].map(([name, w]) => [w.id, name]));
    const covered = new Set();

    for (const call of groups.flatMap((g) => g.calls)) {
        const values = {};
        for (const field of call.fields || []) {
            const value = typeof field.value === 'function' ? field.value({ work: '/tmp/work/' }) : field.value;
            values[field.key] = value ?? (field.source ? 'Windows' : field.options ? field.options[0] : '');
        }
        posted.length = 0;
        call.run(values); // never settles here: nothing answers
        assert.ok(posted.length >= 1, `${call.name} posts a request`);
        const [request] = posted;
        assert.equal(request.id, call.id, `${call.name}: the id shown is the id posted`);
        assert.equal(typeof request.data, 'object', `${call.name}: posts an argument object, or the host never answers`);
        if (call.name !== 'call') {
            assert.equal(byId.get(request.id), call.name, `${call.name}: calls its own wrapper`);
        }
        assert.equal(Boolean(call.runtimeOnly), RUNTIME_ONLY.has(call.name), `${call.name}: runtime-only mark`);
        assert.equal(Boolean(call.noReply), NO_REPLY.has(call.name), `${call.name}: no-reply mark`);
        covered.add(call.name);
    }
    const missing = ['call', ...clientWrappers.keys()].filter((name) => !covered.has(name));
    assert.deepEqual(missing, [], 'functions the showcase does not call');
});

test('the showcase asks before calls that end the session or delete', () => {
    const context = vm.createContext({ vtr: loadClientScript().vtr });
    vm.runInContext(read('examples/showcase/app/cards.js'), context);
    const calls = vm.runInContext('showcaseGroups', context).flatMap((g) => g.calls);
    for (const name of ['system.logoff', 'system.reboot', 'system.shutdown', 'files.deleteFile', 'folders.deleteDir']) {
        const call = calls.find((c) => c.name === name);
        assert.ok(call && call.ask, `${name} asks first`);
    }
});
