/// <reference path="../../docs/vtr.d.ts" />
// A page script as an application would write it: every wrapper, its arguments and the result
// types a page relies on. It must compile under --strict without a single error.

async function bridge(): Promise<void> {
    const version: string = await vtr.hello();
    const packaged: boolean = await window.vtr.isRuntime();
    const generic: unknown = await vtr.call(10001, {});
    console.log(version, packaged, generic);
}

async function dialogsAndFiles(): Promise<void> {
    const opened: string = await vtr.dialogs.openFile({});
    const chosen: string = await vtr.dialogs.saveFile({
        fileName: "notes.txt",
        title: "Save the notes",
        fileTypes: "Text files|*.txt;All files|*.*",
        overwritePrompt: true,
    });
    if (opened === "" || chosen === "") {
        return; // cancelled
    }
    const exists: boolean = await vtr.files.fileExists({ filePath: chosen });
    const written: true = await vtr.files.writeTextFile({ filePath: "notes/a.txt", contents: "a\nb" });
    await vtr.files.writeTextFile({ filePath: "notes/empty.txt" });
    const extracted: true = await vtr.files.extractFile({ sourceFile: "/data/list.json", targetFile: "/tmp/list.json" });
    const deleted: boolean = await vtr.files.deleteFile({ filePath: "notes/a.txt" });
    const decoded: true = await vtr.base64.decodeToFile({ filePath: "notes/b.bin", contents: "aGk=" });
    console.log(exists, written, extracted, deleted, decoded);

    // A rejection carries the failure text.
    try {
        await vtr.files.fileExists({ filePath: "" });
    } catch (failure) {
        const text = failure as string;
        console.log(text === "Missing filePath");
    }
    vtr.files.deleteFile({ filePath: "x" }).catch((failure: string) => console.log(failure));
}

async function folders(): Promise<string[]> {
    const isDir: boolean = await vtr.folders.dirExists({ dirPath: "notes" });
    const removed: boolean = await vtr.folders.deleteDir({ dirPath: "notes" });
    console.log(isDir, removed);
    return Promise.all([
        vtr.folders.getTempDir(),
        vtr.folders.getUserDocumentsDir(),
        vtr.folders.getUserDesktopDir(),
        vtr.folders.getAppExecutableDir(),
        vtr.folders.getAppDataDir(),
    ]);
}

async function appAndWindow(): Promise<void> {
    const args: string[] = await vtr.app.getArgs();
    const full: boolean = await vtr.app.inFullscreen();
    if (!full) {
        vtr.app.enterFullscreen(); // no reply: never awaited
    } else {
        vtr.app.exitFullscreen();
    }

    const style: "normal" | "ontop" = await vtr.window.getStyle();
    await vtr.window.setStyle({ style: style === "ontop" ? "normal" : "ontop" });
    const state: Vtr.WindowState = await vtr.window.getState();
    const stateSet: true = await vtr.window.setState({ state: "maximized" });
    await vtr.window.setState({});
    const title: string = await vtr.window.getTitle();
    await vtr.window.setTitle({ title: `${title} (${args.length})` });
    const zoomText: string = await vtr.window.getZoom();
    const zoom = parseFloat(zoomText.replace(",", "."));
    const zoomed: boolean = await vtr.window.setZoom({ factor: zoom * 1.25 });
    await vtr.window.setZoom({ factor: "1.5" });
    console.log(state, stateSet, zoomed);

    // The close protocol: keep the window open unless the user agrees.
    vtr.events.onCloseQuery = () => {
        if (confirm("Close?")) {
            vtr.app.close();
        }
    };
}

async function shell(): Promise<void> {
    await vtr.shell.execute({ filePath: "/usr/bin/xdg-open", arguments: "https://example.org" });
    await vtr.shell.explore({ filePath: "/tmp/list.json" });
    const output: string = await vtr.shell.command({ command: "echo hi", workingDir: "/tmp", showWindow: false });
    await vtr.shell.command({ command: "ls", showWindow: "true" });
    const captions: string[] = await vtr.shell.windows();
    console.log(output.trim(), captions.length);
}

async function themes(): Promise<void> {
    const names: Vtr.StyleName[] = await vtr.themes.getThemes();
    const active: string = await vtr.themes.getTheme();
    const exact: boolean = await vtr.themes.setTheme({ name: "Windows10 Dark" });
    const caseOff: boolean = await vtr.themes.setTheme({ name: "windows10 dark" });
    console.log(names.includes("Windows"), active, exact, caseOff);
}

async function session(kind: "logoff" | "reboot" | "shutdown"): Promise<true> {
    return kind === "logoff" ? vtr.system.logoff() : kind === "reboot" ? vtr.system.reboot() : vtr.system.shutdown();
}

async function menu(): Promise<void> {
    const items: Vtr.MenuItem[] = [
        {
            caption: "&File",
            id: 1,
            items: [
                { caption: "&Open", id: 2, image: "app/icons/open.png" },
                { caption: "-", id: 0 },
                { caption: "E&xport", id: 3, enabled: false },
                { caption: "Recent", id: 4, items: [] },
            ],
        },
    ];
    const set: true = await vtr.mainMenu.setItems({ items: JSON.stringify(items) });
    await vtr.mainMenu.updateItem({ id: 3, enabled: true, caption: "&Export…" });
    await vtr.mainMenu.updateItem({ id: "2", image: "app/icons/save.png" });
    vtr.events.onMainMenuItemClick = (itemId: number) => {
        console.log(set, itemId.toFixed(0));
    };
}

void Promise.all([bridge(), dialogsAndFiles(), folders(), appAndWindow(), shell(), themes(), menu()]);
void session;
