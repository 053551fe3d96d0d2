onmessage = function (e) { postMessage(e.data + 1); };
