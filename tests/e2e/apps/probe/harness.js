// Shared by the probe pages: collects results and writes them beside the executable.
window.report = {};
window.writeReport = function (name) {
    return vtr.files.writeTextFile({ filePath: name || 'report.json', contents: JSON.stringify(window.report) });
};
window.settle = function (promise) {
    return promise.then(function (v) { return { ok: true, value: v }; },
                        function (e) { return { ok: false, value: String(e) }; });
};
window.sleep = function (ms) { return new Promise(function (r) { setTimeout(r, ms); }); };
// Waits until the test has created the file `name` beside the executable (its signal to go on).
window.waitFor = async function (name) {
    while (!(await vtr.files.fileExists({ filePath: name }))) await sleep(50);
};
// Writes `report` to `name`, then waits for the test's answer `name` + '.go'.
window.step = async function (name) {
    await writeReport(name);
    await waitFor(name + '.go');
};
