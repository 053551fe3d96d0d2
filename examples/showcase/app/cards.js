// The showcase's table of bridge calls: every window.vtr function, grouped by namespace, with
// the inputs it needs and the exact call it makes. app.js draws a card per group from it.
'use strict';

/**
 * @typedef {object} Field
 * @property {string} key        name under which run() finds the input's value
 * @property {string} [label]
 * @property {'text' | 'area' | 'select' | 'check'} [kind]    default 'text'
 * @property {string[]} [options]                              choices of a select
 * @property {string | ((ctx: Context) => string)} [value]     initial value ('true'/'false' for a check)
 * @property {() => Promise<string[]>} [source]                fills a select's choices at start
 * @property {() => Promise<string>} [current]                 selects the active choice at start
 *
 * @typedef {object} Call
 * @property {string} name       the wrapper's path under window.vtr
 * @property {number} id         the bridge id it posts
 * @property {Field[]} [fields]
 * @property {(v: Record<string, string>) => Promise<unknown>} run
 * @property {string} [button]   label of the run button; default 'Run'
 * @property {string} [ask]      the call runs only after the user confirms this question
 * @property {boolean} [noReply] the host posts no reply: the promise never settles
 * @property {boolean} [runtimeOnly]
 *
 * @typedef {object} Group
 * @property {string} key
 * @property {string} title
 * @property {string} blurb
 * @property {Call[]} calls
 *
 * @typedef {object} Context
 * @property {string} work       a scratch folder for the file demos, ending with a separator
 */

// Must match DirName in vtr.ini: menu icons are named by their path inside the archive.
const APP_DIR = 'app';

/** @type {Vtr.MenuItem[]} */
const showcaseMenu = [
    {
        caption: '&File',
        id: 100,
        items: [
            { caption: '&Open…', id: 101, image: APP_DIR + '/icons/open.png' },
            { caption: '&Save as…', id: 102, image: APP_DIR + '/icons/save.png' },
            { caption: '-', id: 0 },
            {
                caption: '&Export',
                id: 110,
                items: [
                    { caption: 'As &text', id: 111 },
                    { caption: 'As &picture', id: 112, image: APP_DIR + '/icons/picture.png', enabled: false },
                ],
            },
            { caption: '-', id: 0 },
            { caption: '&Quit', id: 199, image: APP_DIR + '/icons/quit.png' },
        ],
    },
    {
        caption: '&View',
        id: 200,
        items: [
            { caption: 'Zoom &in', id: 201 },
            { caption: 'Zoom &out', id: 202 },
            { caption: '&Actual size', id: 203 },
        ],
    },
    { caption: '&Help', id: 300, items: [{ caption: '&About the showcase', id: 301, image: APP_DIR + '/icons/about.png' }] },
];

const fileTypes = 'Text files|*.txt;Pictures|*.png;All files|*.*';

/** @param {string} text  @returns {boolean | undefined} '' leaves the flag as it is */
const flag = (text) => (text === '' ? undefined : text === 'true');

/** @type {Group[]} */
const showcaseGroups = [
    {
        key: 'bridge',
        title: 'Bridge',
        blurb: 'Who answers, and the generic call every wrapper goes through.',
        calls: [
            { name: 'hello', id: 10001, run: () => vtr.hello() },
            { name: 'isRuntime', id: 10002, run: () => vtr.isRuntime() },
            {
                name: 'call',
                id: 10001,
                fields: [
                    { key: 'funcID', label: 'funcID', value: '10001' },
                    { key: 'args', label: 'args (JSON)', value: '{}' },
                ],
                run: (v) => vtr.call(Number(v.funcID), JSON.parse(v.args)),
            },
        ],
    },
    {
        key: 'dialogs',
        title: 'vtr.dialogs',
        blurb: 'Native open and save dialogs. Cancelling resolves with an empty text.',
        calls: [
            {
                name: 'dialogs.openFile',
                id: 20001,
                fields: [
                    { key: 'title', value: 'Open a file' },
                    { key: 'fileName' },
                    { key: 'fileTypes', value: fileTypes },
                ],
                run: (v) => vtr.dialogs.openFile({ title: v.title, fileName: v.fileName, fileTypes: v.fileTypes }),
            },
            {
                name: 'dialogs.saveFile',
                id: 20002,
                fields: [
                    { key: 'title', value: 'Save the notes as' },
                    { key: 'fileName', value: 'notes.txt' },
                    { key: 'fileTypes', value: fileTypes },
                    { key: 'overwritePrompt', kind: 'check', value: 'true' },
                ],
                run: (v) =>
                    vtr.dialogs.saveFile({
                        title: v.title,
                        fileName: v.fileName,
                        fileTypes: v.fileTypes,
                        overwritePrompt: v.overwritePrompt === 'true',
                    }),
            },
        ],
    },
    {
        key: 'files',
        title: 'vtr.files',
        blurb: 'Relative paths start at the executable’s folder. Writes replace the file in one step.',
        calls: [
            {
                name: 'files.writeTextFile',
                id: 30003,
                fields: [
                    { key: 'filePath', value: (c) => c.work + 'notes.txt' },
                    { key: 'contents', kind: 'area', value: 'First line\nSecond line, written by the vtr showcase' },
                ],
                run: (v) => vtr.files.writeTextFile({ filePath: v.filePath, contents: v.contents }),
            },
            {
                name: 'files.fileExists',
                id: 30001,
                fields: [{ key: 'filePath', value: (c) => c.work + 'notes.txt' }],
                run: (v) => vtr.files.fileExists({ filePath: v.filePath }),
            },
            {
                name: 'files.extractFile',
                id: 30004,
                runtimeOnly: true,
                fields: [
                    { key: 'sourceFile', value: '/data/sample.txt' },
                    { key: 'targetFile', value: (c) => c.work + 'sample.txt' },
                ],
                run: (v) => vtr.files.extractFile({ sourceFile: v.sourceFile, targetFile: v.targetFile }),
            },
            {
                name: 'files.deleteFile',
                id: 30002,
                ask: 'Delete this file? It does not go to the wastebasket.',
                fields: [{ key: 'filePath', value: (c) => c.work + 'notes.txt' }],
                run: (v) => vtr.files.deleteFile({ filePath: v.filePath }),
            },
        ],
    },
    {
        key: 'folders',
        title: 'vtr.folders',
        blurb: 'The user’s standard folders, each ending with the path separator.',
        calls: [
            { name: 'folders.getTempDir', id: 40003, run: () => vtr.folders.getTempDir() },
            { name: 'folders.getUserDocumentsDir', id: 40004, run: () => vtr.folders.getUserDocumentsDir() },
            { name: 'folders.getUserDesktopDir', id: 40005, run: () => vtr.folders.getUserDesktopDir() },
            { name: 'folders.getAppExecutableDir', id: 40006, run: () => vtr.folders.getAppExecutableDir() },
            { name: 'folders.getAppDataDir', id: 40007, run: () => vtr.folders.getAppDataDir() },
            {
                name: 'folders.dirExists',
                id: 40001,
                fields: [{ key: 'dirPath', value: (c) => c.work }],
                run: (v) => vtr.folders.dirExists({ dirPath: v.dirPath }),
            },
            {
                name: 'folders.deleteDir',
                id: 40002,
                ask: 'Delete this folder with everything in it? Nothing goes to the wastebasket.',
                fields: [{ key: 'dirPath', value: (c) => c.work }],
                run: (v) => vtr.folders.deleteDir({ dirPath: v.dirPath }),
            },
        ],
    },
    {
        key: 'app',
        title: 'vtr.app',
        blurb: 'The application: its command line, full screen, and closing.',
        calls: [
            { name: 'app.getArgs', id: 50005, runtimeOnly: true, run: () => vtr.app.getArgs() },
            { name: 'app.inFullscreen', id: 50002, run: () => vtr.app.inFullscreen() },
            { name: 'app.enterFullscreen', id: 50003, runtimeOnly: true, noReply: true, run: () => vtr.app.enterFullscreen() },
            { name: 'app.exitFullscreen', id: 50004, runtimeOnly: true, noReply: true, run: () => vtr.app.exitFullscreen() },
            {
                name: 'app.close',
                id: 50001,
                noReply: true,
                ask: 'Close the showcase now? This skips the close confirmation.',
                run: () => vtr.app.close(),
            },
        ],
    },
    {
        key: 'window',
        title: 'vtr.window',
        blurb: 'The main window’s stacking, state, caption and zoom.',
        calls: [
            { name: 'window.getStyle', id: 60001, run: () => vtr.window.getStyle() },
            {
                name: 'window.setStyle',
                id: 60002,
                fields: [{ key: 'style', kind: 'select', options: ['ontop', 'normal'] }],
                run: (v) => vtr.window.setStyle({ style: v.style === 'ontop' ? 'ontop' : 'normal' }),
            },
            { name: 'window.getState', id: 60003, run: () => vtr.window.getState() },
            {
                name: 'window.setState',
                id: 60004,
                fields: [{ key: 'state', kind: 'select', options: ['maximized', 'normal', 'minimized'] }],
                run: (v) => vtr.window.setState({ state: /** @type {Vtr.WindowState} */ (v.state) }),
            },
            { name: 'window.getTitle', id: 60005, run: () => vtr.window.getTitle() },
            {
                name: 'window.setTitle',
                id: 60006,
                fields: [{ key: 'title', value: 'vtr showcase: a title set by the page' }],
                run: (v) => vtr.window.setTitle({ title: v.title }),
            },
            { name: 'window.getZoom', id: 60007, run: () => vtr.window.getZoom() },
            {
                name: 'window.setZoom',
                id: 60008,
                fields: [{ key: 'factor', value: '1.25' }],
                run: (v) => vtr.window.setZoom({ factor: v.factor }),
            },
        ],
    },
    {
        key: 'shell',
        title: 'vtr.shell',
        blurb: 'Open documents, show files, run commands. Nothing here is sandboxed.',
        calls: [
            {
                name: 'shell.execute',
                id: 70001,
                fields: [
                    { key: 'filePath', value: (c) => c.work + 'notes.txt' },
                    { key: 'arguments' },
                ],
                run: (v) => vtr.shell.execute({ filePath: v.filePath, arguments: v.arguments }),
            },
            {
                name: 'shell.explore',
                id: 70002,
                fields: [{ key: 'filePath', value: (c) => c.work + 'notes.txt' }],
                run: (v) => vtr.shell.explore({ filePath: v.filePath }),
            },
            {
                name: 'shell.command',
                id: 70003,
                fields: [
                    { key: 'command', value: 'echo Hello from the command line' },
                    { key: 'workingDir' },
                    { key: 'showWindow', kind: 'check', value: 'false' },
                ],
                run: (v) =>
                    vtr.shell.command({
                        command: v.command,
                        workingDir: v.workingDir,
                        showWindow: v.showWindow === 'true',
                    }),
            },
            { name: 'shell.windows', id: 70004, run: () => vtr.shell.windows() },
        ],
    },
    {
        key: 'themes',
        title: 'vtr.themes',
        blurb: 'Styles for the native parts of the window: menu bar, dialogs, message boxes.',
        calls: [
            {
                name: 'themes.setTheme',
                id: 80003,
                runtimeOnly: true,
                button: 'Apply',
                fields: [
                    {
                        key: 'name',
                        label: 'style',
                        kind: 'select',
                        source: () => vtr.themes.getThemes(),
                        current: () => vtr.themes.getTheme(),
                    },
                ],
                run: async (v) => ({
                    answer: await vtr.themes.setTheme({ name: v.name }),
                    active: await vtr.themes.getTheme(),
                }),
            },
            { name: 'themes.getTheme', id: 80001, runtimeOnly: true, run: () => vtr.themes.getTheme() },
            { name: 'themes.getThemes', id: 80002, runtimeOnly: true, run: () => vtr.themes.getThemes() },
        ],
    },
    {
        key: 'base64',
        title: 'vtr.base64',
        blurb: 'Binary data from the page to a file: plain Base64, no “data:” prefix.',
        calls: [
            {
                name: 'base64.decodeToFile',
                id: 90001,
                fields: [
                    { key: 'filePath', value: (c) => c.work + 'hello.txt' },
                    { key: 'contents', value: 'SGVsbG8gZnJvbSB0aGUgdnRyIHNob3djYXNlIQ==' },
                ],
                run: (v) => vtr.base64.decodeToFile({ filePath: v.filePath, contents: v.contents }),
            },
        ],
    },
    {
        key: 'system',
        title: 'vtr.system',
        blurb: 'End the session. Other applications are closed without being asked.',
        calls: [
            {
                name: 'system.logoff',
                id: 11001,
                runtimeOnly: true,
                ask: 'Log off now? Unsaved work in other applications is lost.',
                run: () => vtr.system.logoff(),
            },
            {
                name: 'system.reboot',
                id: 11002,
                runtimeOnly: true,
                ask: 'Restart the computer now? Unsaved work in other applications is lost.',
                run: () => vtr.system.reboot(),
            },
            {
                name: 'system.shutdown',
                id: 11003,
                runtimeOnly: true,
                ask: 'Shut the computer down now? Unsaved work in other applications is lost.',
                run: () => vtr.system.shutdown(),
            },
        ],
    },
    {
        key: 'mainMenu',
        title: 'vtr.mainMenu',
        blurb: 'A native menu bar described in JSON. Clicks arrive in vtr.events.onMainMenuItemClick.',
        calls: [
            {
                name: 'mainMenu.setItems',
                id: 12001,
                runtimeOnly: true,
                button: 'Set the menu',
                fields: [{ key: 'items', label: 'items (JSON text)', kind: 'area', value: JSON.stringify(showcaseMenu, null, 2) }],
                run: (v) => vtr.mainMenu.setItems({ items: v.items }),
            },
            {
                name: 'mainMenu.updateItem',
                id: 12002,
                runtimeOnly: true,
                fields: [
                    { key: 'id', value: '112' },
                    { key: 'caption', value: 'As &picture (now enabled)' },
                    { key: 'enabled', kind: 'select', options: ['true', 'false', ''] },
                    { key: 'image', kind: 'select', options: ['', 'open', 'save', 'picture', 'quit', 'about'] },
                ],
                run: (v) =>
                    vtr.mainMenu.updateItem({
                        id: v.id,
                        caption: v.caption,
                        enabled: flag(v.enabled),
                        image: v.image && `${APP_DIR}/icons/${v.image}.png`,
                    }),
            },
        ],
    },
];

// Small helpers of the page, kept free of the DOM so that they can be tested on their own.

/**
 * The menu item with this id, searched depth-first in menu order as the host does.
 * @param {Vtr.MenuItem[]} items  @param {number} id  @returns {Vtr.MenuItem | undefined}
 */
function findMenuItem(items, id) {
    for (const item of items) {
        const found = item.id === id ? item : item.items && findMenuItem(item.items, id);
        if (found) {
            return found;
        }
    }
    return undefined;
}

/**
 * A caption as the menu shows it: "&" marks the access key, "&&" is a literal "&".
 * @param {string} caption
 */
function plainCaption(caption) {
    return caption.replace(/&(.?)/g, '$1');
}

/**
 * The zoom factor one step further. getZoom answers in the user's number format ("1,5" where
 * the comma is the decimal separator), while setZoom reads only ".".
 * @param {string} zoomText  @param {number} step  @returns {number}
 */
function nextZoom(zoomText, step) {
    const current = parseFloat(zoomText.replace(',', '.'));
    const base = Number.isFinite(current) && current > 0 ? current : 1;
    return Math.min(5, Math.max(0.25, Math.round((base + step) * 100) / 100));
}

/**
 * How a result is shown: a short description of its type and the text to print.
 * @param {unknown} value  @returns {{type: string, text: string}}
 */
function describeResult(value) {
    if (typeof value === 'string') {
        return value === '' ? { type: 'empty text', text: '""' } : { type: 'text', text: value };
    }
    if (Array.isArray(value)) {
        return { type: `array of ${value.length}`, text: value.map((v) => JSON.stringify(v)).join('\n') };
    }
    if (value instanceof Error) {
        return { type: value.name, text: value.message };
    }
    if (value === undefined) {
        return { type: 'undefined', text: 'undefined' };
    }
    return { type: value === null ? 'null' : typeof value, text: JSON.stringify(value, null, 2) };
}
