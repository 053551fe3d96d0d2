/// <reference path="../../docs/vtr.d.ts" />
// Calls the typings must refuse. Each line marked "error TSnnnn" must fail with exactly that
// code, and no other line may fail (check-errors.js compares both ways). Most of these calls
// would hang at run time: the host never answers a request without data or with an object where
// it reads text.

async function wrongCalls(): Promise<void> {
    vtr.files.fileExists(); // error TS2554
    vtr.dialogs.openFile(); // error TS2554
    vtr.window.setZoom({ factor: {} }); // error TS2322
    vtr.files.fileExists({}); // error TS2345
    vtr.files.fileExists({ filepath: "a.txt" }); // error TS2345
    vtr.folders.dirExists({ filePath: "notes" }); // error TS2345
    vtr.mainMenu.setItems({ items: [] }); // error TS2322
    vtr.window.setState({ state: "Maximized" }); // error TS2820
    vtr.shell.command({ command: "ls", showWindow: "TRUE" }); // error TS2820
    vtr.base64.decodeToFile({ filePath: "a.bin", contents: new Uint8Array(4) }); // error TS2322
    vtr.system.reboot({}); // error TS2554
    vtr.files.extractFile({ sourceFile: "/data/list.json" }); // error TS2345
}

async function wrongResults(): Promise<void> {
    const zoom: number = await vtr.window.getZoom(); // error TS2322
    const args: string = await vtr.app.getArgs(); // error TS2322
    const theme: number = await vtr.themes.getTheme(); // error TS2322
    console.log(zoom, args, theme);
}

function wrongUse(): void {
    const hello = vtr.hello;
    hello(); // error TS2684
    vtr.events.onMainMenuItemClick = (itemId: string) => console.log(itemId); // error TS2322
    const menu: Vtr.MenuItem[] = [{ caption: "File", items: [] }]; // error TS2741
    console.log(menu);
}

void wrongCalls;
void wrongResults;
void wrongUse;
