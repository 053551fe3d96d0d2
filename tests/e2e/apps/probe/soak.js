// Shared by the soak pages: their settings, the bridge's raw channel and a seeded generator.

// The test writes soak-config.json beside the executable before it starts the application.
window.soakConfig = async function () {
    const response = await fetch('soak-config.json');
    return response.json();
};

// Posts a text to the host exactly as it stands, the way the engine's own postMessage hands it
// on: nothing is serialised, so text that is not JSON reaches the bridge too.
window.postRaw = function (text) {
    document.dispatchEvent(new CustomEvent('vtr-webview-post', { detail: text }));
};

// A small seeded generator (mulberry32): one seed gives the same run again.
window.seededRandom = function (seed) {
    let a = seed >>> 0;
    const next = function () {
        a = (a + 0x6D2B79F5) | 0;
        let t = Math.imul(a ^ (a >>> 15), 1 | a);
        t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
        return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    };
    next.int = function (n) { return Math.floor(next() * n); };
    next.pick = function (list) { return list[next.int(list.length)]; };
    next.chance = function (p) { return next() < p; };
    return next;
};

// The bytes writeTextFile leaves for a text: a BOM, then every line ended by CR LF; a NUL ends
// the text and a final line break starts no further line.
window.textFileBytes = function (contents) {
    let text = contents;
    const nul = text.indexOf('\0');
    if (nul >= 0) text = text.slice(0, nul);
    const lines = text === '' ? [] : text.split(/\r\n|\r|\n/);
    if (lines.length > 0 && /(\r\n|\r|\n)$/.test(text)) lines.pop();
    const body = lines.map(function (line) { return line + '\r\n'; }).join('');
    const encoded = new TextEncoder().encode(body);
    const bytes = new Uint8Array(encoded.length + 3);
    bytes.set([0xEF, 0xBB, 0xBF]);
    bytes.set(encoded, 3);
    return bytes;
};

window.sha256Hex = async function (bytes) {
    const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
    return Array.from(digest, function (b) { return b.toString(16).padStart(2, '0'); }).join('');
};
