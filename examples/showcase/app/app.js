// Draws one card per namespace from the table in cards.js, runs the calls and shows what the
// host answers. Also wires the two hooks the runtime calls: onCloseQuery and onMainMenuItemClick.
'use strict';

/**
 * Creates an element with properties and children.
 * @template {keyof HTMLElementTagNameMap} K
 * @param {K} tag  @param {Partial<HTMLElementTagNameMap[K]>} [props]  @param {(Node | string)[]} children
 * @returns {HTMLElementTagNameMap[K]}
 */
function el(tag, props = {}, ...children) {
    const node = Object.assign(document.createElement(tag), props);
    node.append(...children);
    return node;
}

/**
 * Shows a call's outcome in its result area.
 * @param {HTMLOutputElement} output  @param {'pending' | 'sent' | 'resolved' | 'rejected' | 'idle'} state
 * @param {string} label  @param {string} [text]
 */
function show(output, state, label, text) {
    output.className = `result ${state}`;
    output.replaceChildren(el('span', { className: 'tag' }, label));
    if (text !== undefined) {
        output.append(el('pre', {}, text));
    }
}

/**
 * @param {Call} call  @param {() => Record<string, string>} read  @param {HTMLOutputElement} output
 */
async function runCall(call, read, output) {
    if (call.ask && !confirm(call.ask)) {
        show(output, 'idle', 'not run: cancelled');
        return;
    }
    /** @type {Promise<unknown>} */
    let reply;
    try {
        reply = call.run(read());
    } catch (error) {
        show(output, 'rejected', 'error before sending', describeResult(error).text);
        return;
    }
    if (call.noReply) {
        show(output, 'sent', 'sent: this function posts no reply, its promise stays pending');
        return;
    }
    show(output, 'pending', 'waiting for the reply…');
    const started = performance.now();
    const took = () => `${Math.round(performance.now() - started)} ms`;
    try {
        const { type, text } = describeResult(await reply);
        show(output, 'resolved', `resolved · ${type} · ${took()}`, text);
    } catch (reason) {
        const { type, text } = describeResult(reason);
        show(output, 'rejected', `rejected · ${type} · ${took()}`, text);
    }
}

/**
 * One input of a call.
 * @param {Field} field  @param {Context} ctx  @returns {{node: HTMLElement, input: HTMLInputElement | HTMLTextAreaElement | HTMLSelectElement}}
 */
function renderField(field, ctx) {
    const value = typeof field.value === 'function' ? field.value(ctx) : field.value || '';
    /** @type {HTMLInputElement | HTMLTextAreaElement | HTMLSelectElement} */
    let input;
    if (field.kind === 'area') {
        input = el('textarea', { value, rows: Math.min(12, value.split('\n').length + 1), spellcheck: false });
    } else if (field.kind === 'select') {
        input = el('select', {}, ...(field.options || []).map((o) => el('option', { value: o }, o === '' ? '(unchanged)' : o)));
    } else if (field.kind === 'check') {
        input = el('input', { type: 'checkbox', checked: value === 'true' });
    } else {
        input = el('input', { type: 'text', value, spellcheck: false });
    }
    input.name = field.key;
    const label = el('span', {}, field.label || field.key);
    const node = el('label', { className: `field ${field.kind || 'text'}` }, label, input);
    return { node, input };
}

/**
 * Fills a select from the host (the style picker) and selects the active choice.
 * @param {Field} field  @param {HTMLSelectElement} select
 */
async function fillFromHost(field, select) {
    if (!field.source) {
        return;
    }
    const [choices, active] = await Promise.all([field.source(), field.current ? field.current() : '']);
    select.replaceChildren(...choices.map((c) => el('option', { value: c }, c)));
    select.value = active;
}

/**
 * @param {Call} call  @param {Context} ctx  @param {{bridge: boolean, packaged: boolean}} host
 */
function renderCall(call, ctx, host) {
    const output = /** @type {HTMLOutputElement} */ (el('output', { className: 'result idle' }));
    const fields = (call.fields || []).map((f) => ({ field: f, ...renderField(f, ctx) }));
    const read = () =>
        Object.fromEntries(
            fields.map(({ field, input }) => [
                field.key,
                input instanceof HTMLInputElement && input.type === 'checkbox' ? String(input.checked) : input.value,
            ])
        );
    const unavailable = !host.bridge || (call.runtimeOnly && !host.packaged);
    const button = el('button', { type: 'button', disabled: unavailable }, call.button || 'Run');
    button.addEventListener('click', () => runCall(call, read, output));

    for (const { field, input } of fields) {
        if (field.source && !unavailable && input instanceof HTMLSelectElement) {
            fillFromHost(field, input).catch((reason) => show(output, 'rejected', 'could not list the choices', describeResult(reason).text));
            input.addEventListener('change', () => button.click());
        }
    }

    const badges = [el('span', { className: 'badge id', title: 'bridge id' }, String(call.id))];
    if (call.runtimeOnly) {
        badges.push(el('span', { className: 'badge', title: 'answers only in a packaged application' }, 'runtime only'));
    }
    if (call.noReply) {
        badges.push(el('span', { className: 'badge', title: 'the host posts no reply' }, 'no reply'));
    }
    if (call.ask) {
        badges.push(el('span', { className: 'badge warn', title: 'asks before running' }, 'asks first'));
    }
    const head = el('div', { className: 'call-head' }, el('code', {}, `vtr.${call.name}`), ...badges);
    // A call without inputs keeps its button on the title line.
    const body = fields.length ? el('div', { className: 'fields' }, ...fields.map((f) => f.node), button) : '';
    if (!fields.length) {
        head.append(button);
    }
    return el('div', { className: 'call', id: `call-${call.name}` }, head, body, output);
}

/** @param {Group} group  @param {Context} ctx  @param {{bridge: boolean, packaged: boolean}} host */
function renderGroup(group, ctx, host) {
    return el(
        'section',
        { className: 'card', id: group.key },
        el('h2', {}, group.title),
        el('p', { className: 'blurb' }, group.blurb),
        ...group.calls.map((c) => renderCall(c, ctx, host))
    );
}

// The hooks. The close confirmation swaps onCloseQuery; the default hook closes at once.

/** @param {boolean} bridge */
function renderEvents(bridge) {
    const defaultCloseQuery = bridge ? vtr.events.onCloseQuery : () => {};
    const askBeforeClosing = () => {
        if (confirm('Close the vtr showcase?')) {
            vtr.app.close();
        }
    };
    const toggle = el('input', { type: 'checkbox', disabled: !bridge });
    toggle.addEventListener('change', () => {
        vtr.events.onCloseQuery = toggle.checked ? askBeforeClosing : defaultCloseQuery;
    });

    const log = el('ol', { className: 'log' }, el('li', { className: 'empty' }, 'Set the menu, then choose a command in the menu bar.'));
    if (bridge) {
        vtr.events.onMainMenuItemClick = (itemId) => {
            const item = findMenuItem(showcaseMenu, itemId);
            const what = item ? plainCaption(item.caption) : 'an item the demo menu does not have';
            const time = new Date().toLocaleTimeString();
            log.querySelector('.empty')?.remove();
            log.prepend(el('li', {}, el('code', {}, `onMainMenuItemClick(${itemId})`), ` ${what} · ${time}`));
            menuCommand(itemId);
        };
    }

    return el(
        'section',
        { className: 'card', id: 'events' },
        el('h2', {}, 'vtr.events'),
        el('p', { className: 'blurb' }, 'Hooks the runtime calls in the page. Assign your own functions to them.'),
        el(
            'div',
            { className: 'call' },
            el('div', { className: 'call-head' }, el('code', {}, 'vtr.events.onCloseQuery')),
            el('label', { className: 'switch' }, toggle, el('span', {}, 'Ask before closing')),
            el('p', { className: 'hint' }, 'Replaces the hook with a confirm(). Try the window’s close box.')
        ),
        el(
            'div',
            { className: 'call' },
            el('div', { className: 'call-head' }, el('code', {}, 'vtr.events.onMainMenuItemClick')),
            log
        )
    );
}

/**
 * What the demo menu's commands do.
 * @param {number} itemId
 */
async function menuCommand(itemId) {
    const zoomBy = async (/** @type {number} */ step) => vtr.window.setZoom({ factor: nextZoom(await vtr.window.getZoom(), step) });
    const commands = /** @type {Record<number, () => unknown>} */ ({
        101: () => vtr.dialogs.openFile({ title: 'Open a file', fileTypes }),
        102: () => vtr.dialogs.saveFile({ title: 'Save the notes as', fileName: 'notes.txt', fileTypes, overwritePrompt: true }),
        199: () => vtr.events.onCloseQuery(),
        201: () => zoomBy(0.1),
        202: () => zoomBy(-0.1),
        203: () => vtr.window.setZoom({ factor: 1 }),
        301: async () => alert(`vtr showcase\nBridge version ${await vtr.hello()}`),
    });
    try {
        await commands[itemId]?.();
    } catch (reason) {
        console.error('menu command', itemId, reason);
    }
}

/**
 * The header's status line.
 * @param {string} text  @param {'on' | 'warn' | 'off'} kind
 */
function setStatus(text, kind) {
    const status = /** @type {HTMLElement} */ (document.getElementById('status'));
    status.textContent = text;
    status.className = `status ${kind}`;
}

async function start() {
    const bridge = typeof window.vtr === 'object' && window.vtr !== null;
    const host = { bridge, packaged: false };
    const ctx = { work: '' };
    if (!bridge) {
        setStatus('no bridge', 'off');
        /** @type {HTMLElement} */ (document.getElementById('no-bridge')).hidden = false;
    } else {
        // A host that does not answer must not keep the cards from showing.
        const silence = new Promise((_, reject) => setTimeout(() => reject(new Error('no answer within 3 s')), 3000));
        try {
            const [version, packaged, temp] = await Promise.race([
                Promise.all([vtr.hello(), vtr.isRuntime(), vtr.folders.getTempDir()]),
                silence,
            ]);
            host.packaged = packaged;
            ctx.work = `${temp}vtr-showcase${temp.slice(-1)}`;
            setStatus(`bridge ${version} · ${packaged ? 'packaged' : 'not packaged'}`, packaged ? 'on' : 'warn');
        } catch (reason) {
            setStatus(`bridge error: ${describeResult(reason).text}`, 'off');
        }
    }

    const main = /** @type {HTMLElement} */ (document.getElementById('cards'));
    main.replaceChildren(...showcaseGroups.map((g) => renderGroup(g, ctx, host)), renderEvents(bridge));
    const nav = /** @type {HTMLElement} */ (document.getElementById('nav'));
    nav.replaceChildren(
        ...[...showcaseGroups.map((g) => [g.key, g.title]), ['events', 'vtr.events']].map(([key, title]) =>
            el('a', { href: `#${key}` }, title.replace(/^vtr\./, ''))
        )
    );
}

start();
