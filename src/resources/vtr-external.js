// window.vtr: the page side of the native bridge. Each call posts {id, uuid, data} and
// settles on the host's reply that carries the same uuid.
window.vtr = {
    call: function (funcID, args) {
        var uuid = 'xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx'.replace(/[xy]/g, function (c) {
            var r = Math.random() * 16 | 0;
            var v = c === 'x' ? r : (r & 3 | 8);
            return v.toString(16);
        });
        return new Promise(function (resolve, reject) {
            var listener = function (event) {
                var data = event.data;
                if (data && data.uuid === uuid) {
                    window.chrome.webview.removeEventListener('message', listener);
                    if (data.success) {
                        resolve(data.result);
                    } else {
                        reject(data.result);
                    }
                }
            };
            window.chrome.webview.addEventListener('message', listener);
            window.chrome.webview.postMessage({ id: funcID, uuid: uuid, data: args });
        });
    },
    hello: function () {
        return this.call(10001, {});
    },
    isRuntime: function () {
        return this.call(10002, {});
    },
    dialogs: {
        openFile: function (args) {
            return window.vtr.call(20001, args);
        },
        saveFile: function (args) {
            return window.vtr.call(20002, args);
        }
    },
    files: {
        fileExists: function (args) {
            return window.vtr.call(30001, args);
        },
        deleteFile: function (args) {
            return window.vtr.call(30002, args);
        },
        writeTextFile: function (args) {
            return window.vtr.call(30003, args);
        },
        extractFile: function (args) {
            return window.vtr.call(30004, args);
        }
    },
    folders: {
        dirExists: function (args) {
            return window.vtr.call(40001, args);
        },
        deleteDir: function (args) {
            return window.vtr.call(40002, args);
        },
        getTempDir: function () {
            return window.vtr.call(40003, {});
        },
        getUserDocumentsDir: function () {
            return window.vtr.call(40004, {});
        },
        getUserDesktopDir: function () {
            return window.vtr.call(40005, {});
        },
        getAppExecutableDir: function () {
            return window.vtr.call(40006, {});
        },
        getAppDataDir: function () {
            return window.vtr.call(40007, {});
        }
    },
    app: {
        close: function () {
            return window.vtr.call(50001, {});
        },
        inFullscreen: function () {
            return window.vtr.call(50002, {});
        },
        enterFullscreen: function () {
            return window.vtr.call(50003, {});
        },
        exitFullscreen: function () {
            return window.vtr.call(50004, {});
        },
        getArgs: function () {
            return window.vtr.call(50005, {});
        }
    },
    window: {
        getStyle: function () {
            return window.vtr.call(60001, {});
        },
        setStyle: function (args) {
            return window.vtr.call(60002, args);
        },
        getState: function () {
            return window.vtr.call(60003, {});
        },
        setState: function (args) {
            return window.vtr.call(60004, args);
        },
        getTitle: function () {
            return window.vtr.call(60005, {});
        },
        setTitle: function (args) {
            return window.vtr.call(60006, args);
        },
        getZoom: function () {
            return window.vtr.call(60007, {});
        },
        setZoom: function (args) {
            return window.vtr.call(60008, args);
        }
    },
    shell: {
        execute: function (args) {
            return window.vtr.call(70001, args);
        },
        explore: function (args) {
            return window.vtr.call(70002, args);
        },
        command: function (args) {
            return window.vtr.call(70003, args);
        },
        windows: function () {
            return window.vtr.call(70004, {});
        }
    },
    themes: {
        getTheme: function () {
            return window.vtr.call(80001, {});
        },
        getThemes: function () {
            return window.vtr.call(80002, {});
        },
        setTheme: function (args) {
            return window.vtr.call(80003, args);
        }
    },
    base64: {
        decodeToFile: function (args) {
            return window.vtr.call(90001, args);
        }
    },
    system: {
        logoff: function () {
            return window.vtr.call(11001, {});
        },
        reboot: function () {
            return window.vtr.call(11002, {});
        },
        shutdown: function () {
            return window.vtr.call(11003, {});
        }
    },
    mainMenu: {
        setItems: function (args) {
            return window.vtr.call(12001, args);
        },
        updateItem: function (args) {
            return window.vtr.call(12002, args);
        }
    },
    events: {
        onCloseQuery: function () {
            window.vtr.app.close();
        },
        onMainMenuItemClick: function (itemId) {
        }
    }
};
