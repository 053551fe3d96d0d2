// The application's own document script in the soak runs: on the engine's error page it
// reports what a person sees there and where the reload link is, so the test can click it.
window.addEventListener('load', function () {
    var link = document.getElementById('vtr-reload');
    if (!link || !window.vtr) return;
    var box = link.getBoundingClientRect();
    vtr.files.writeTextFile({ filePath: 'error-page.json', contents: JSON.stringify({
        title: document.title, text: link.textContent, body: document.body.innerText,
        x: Math.round(box.left + box.width / 2), y: Math.round(box.top + box.height / 2),
        inner: [window.innerWidth, window.innerHeight],
    }) });
});
