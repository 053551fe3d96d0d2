// Type declarations for `window.vtr`, the native bridge of a packaged vtr application.
//
// Use them from a page script with a reference comment and check it with `tsc --strict`:
//
//     /// <reference path="vtr.d.ts" />
//     const exists: boolean = await vtr.files.fileExists({ filePath: "data/list.txt" });
//
// Every function returns a promise that the host settles with its reply. A rejection carries the
// function's failure text (a string such as "Missing filePath"), never an Error object. The
// functions typed `Promise<never>` post no reply: their promise stays pending for good.
// Runtime-only functions (see docs/api.md) never settle when the bridge serves a page outside a
// packaged application; inside one they always answer.
//
// The host reads text arguments leniently (a number arrives as its JSON text, null as the
// default) and posts no reply at all when a text argument is an object or an array. The types
// below are stricter than the host on purpose: they accept what a page means to pass and reject
// the calls that would hang or misbehave.

interface Vtr {
    /**
     * The generic call behind every wrapper (id 10001 and up): posts `{id, uuid, data: args}` and
     * settles on the reply that carries the same uuid. Resolves with the reply's `result`,
     * rejects with it when the host reports failure. Unknown ids are never answered.
     */
    call(funcID: number, args: object): Promise<unknown>;

    /** 10001. Resolves with the bridge version, "2022.4". Call it as `vtr.hello()`. */
    hello(this: Vtr): Promise<string>;

    /** 10002. Resolves with true inside a packaged application. Call it as `vtr.isRuntime()`. */
    isRuntime(this: Vtr): Promise<boolean>;

    dialogs: Vtr.Dialogs;
    files: Vtr.Files;
    folders: Vtr.Folders;
    app: Vtr.App;
    window: Vtr.Window;
    shell: Vtr.Shell;
    themes: Vtr.Themes;
    base64: Vtr.Base64;
    system: Vtr.System;
    mainMenu: Vtr.MainMenu;
    events: Vtr.Events;
}

declare namespace Vtr {
    /** The 40 visual styles, in the order `themes.getThemes()` lists them. "Windows" is the system look. */
    type StyleName =
        | "Amakrits"
        | "Amethyst Kamri"
        | "Aqua Graphite"
        | "Aqua Light Slate"
        | "Auric"
        | "Carbon"
        | "Charcoal Dark Slate"
        | "Cobalt XEMedia"
        | "Cyan Dusk"
        | "Cyan Night"
        | "Emerald Light Slate"
        | "Glossy"
        | "Glow"
        | "Golden Graphite"
        | "Iceberg Classico"
        | "Lavender Classico"
        | "Light"
        | "Luna"
        | "Metropolis UI Black"
        | "Metropolis UI Blue"
        | "Metropolis UI Dark"
        | "Metropolis UI Green"
        | "Obsidian"
        | "Onyx Blue"
        | "Ruby Graphite"
        | "Sapphire Kamri"
        | "Silver"
        | "Sky"
        | "Slate Classico"
        | "Smokey Quartz Kamri"
        | "Tablet Dark"
        | "Tablet Light"
        | "Turquoise Gray"
        | "Windows"
        | "Windows10"
        | "Windows10 Blue"
        | "Windows10 Dark"
        | "Windows10 Green"
        | "Windows10 Purple"
        | "Windows10 SlateGray";

    type WindowState = "normal" | "minimized" | "maximized";
    type WindowStyle = "normal" | "ontop";

    interface OpenFileArgs {
        /** Name shown in the name field; default "" (empty field). */
        fileName?: string;
        /** Dialog title; default "Open file". */
        title?: string;
        /**
         * Filters: entries separated by ";", each "display name|mask", e.g.
         * "Text files|*.txt;All files|*.*". An entry that is not exactly two parts is dropped,
         * so a mask cannot list two patterns. Default "" (no filter).
         */
        fileTypes?: string;
    }

    interface SaveFileArgs extends OpenFileArgs {
        /** Ask before replacing an existing file; default false. Title default "Save file". */
        overwritePrompt?: boolean;
    }

    /**
     * A path for the file and folder functions: absolute (beginning with "/" on Linux, "X:" or
     * "\\" on Windows) or relative to the executable's folder, with "/" or "\" as separator.
     */
    type BridgePath = string;

    interface FilePathArgs {
        /** Required: "" or absent rejects with "Missing filePath". */
        filePath: BridgePath;
    }

    interface DirPathArgs {
        /** Required: "" or absent rejects with "Missing dirPath". */
        dirPath: BridgePath;
    }

    interface WriteTextFileArgs extends FilePathArgs {
        /** Text to write; default "". Stored as UTF-8 with a byte-order mark and CR LF line ends. */
        contents?: string;
    }

    interface ExtractFileArgs {
        /**
         * Required ("Missing sourceFile"). Appended to the configured `DirName` with nothing in
         * between: with DirName "app", "/data/list.json" names the entry app/data/list.json.
         */
        sourceFile: string;
        /**
         * Required ("Missing targetFile"). Used as given: a relative path is relative to the
         * process's current folder (not the executable's), and missing folders are not created.
         */
        targetFile: string;
    }

    interface DecodeToFileArgs extends FilePathArgs {
        /** Plain Base64 (RFC 2045 alphabet) without line breaks, spaces or a "data:" prefix; default "". */
        contents?: string;
    }

    interface SetStyleArgs {
        /** "ontop" keeps the window above others; anything else (default "normal") removes that. */
        style?: WindowStyle;
    }

    interface SetStateArgs {
        /** Default "normal". Other values change nothing (the call still resolves true). */
        state?: WindowState;
    }

    interface SetTitleArgs {
        /** New caption; default "" (an empty caption). */
        title?: string;
    }

    interface SetZoomArgs {
        /**
         * Zoom factor, 1 = 100 %. A text must use "." as decimal separator whatever the locale.
         * Absent or not a number: the zoom is reset to 1 and the call resolves false.
         */
        factor?: number | string;
    }

    interface ExecuteArgs extends FilePathArgs {
        /** Parameter string for a program; default "". */
        arguments?: string;
    }

    interface CommandArgs {
        /** Required ("Missing command"): a command line for the system's command interpreter. */
        command: string;
        /** Folder to run in; default "" (the process's current folder). */
        workingDir?: string;
        /** Only true or exactly "true" asks for a console window; default "false". */
        showWindow?: boolean | "true" | "false";
    }

    interface SetThemeArgs {
        /** Style name, looked up ignoring case; default "". */
        name?: StyleName | (string & {});
    }

    /** One item of a main-menu description (`mainMenu.setItems`). */
    interface MenuItem {
        /** Menu text. "-" draws a separator; "&" marks the next letter as the access key. */
        caption: string;
        /** Reported to `vtr.events.onMainMenuItemClick` and used by `updateItem`. */
        id: number;
        /** Default true. */
        enabled?: boolean | number;
        /**
         * Icon: an archive entry name (it includes the `DirName` folder, e.g. "app/icons/open.png"),
         * else a file name relative to the executable's folder, else any path. A missing file
         * gives no icon; a file that is not an image leaves the call unanswered.
         */
        image?: string;
        /** A submenu. Without it the item is a command that reports clicks. */
        items?: MenuItem[];
    }

    interface SetItemsArgs {
        /**
         * Required ("Missing menu items"): the menu as JSON text, `JSON.stringify` of a
         * `MenuItem[]`. An array given directly is never answered.
         */
        items: string;
    }

    interface UpdateItemArgs {
        /** Required ("Missing item ID"); -1 or a text that is not an integer rejects with "Wrong item ID". */
        id: number | string;
        /** New caption; "" or absent keeps the old one. */
        caption?: string;
        enabled?: boolean | number;
        /** New icon, found as for `MenuItem.image`; "" or absent keeps the old one. */
        image?: string;
    }

    interface Dialogs {
        /** 20001. Resolves with the chosen file's full path, or "" when cancelled. Never rejects. */
        openFile(args: OpenFileArgs): Promise<string>;
        /** 20002. Resolves with the chosen file's full path, or "" when cancelled. Never rejects. */
        saveFile(args: SaveFileArgs): Promise<string>;
    }

    interface Files {
        /** 30001. Resolves true when a file (not a folder) is there; links are followed. Rejects "Missing filePath". */
        fileExists(args: FilePathArgs): Promise<boolean>;
        /** 30002. Resolves true when the file was deleted, false otherwise. Rejects "Missing filePath". */
        deleteFile(args: FilePathArgs): Promise<boolean>;
        /**
         * 30003. Creates missing folders and replaces the file. Resolves true. Rejects
         * "Missing filePath", or with the system's error text.
         */
        writeTextFile(args: WriteTextFileArgs): Promise<true>;
        /**
         * 30004, runtime only. Copies an entry of the application's archive to a file, replacing
         * it in one step. Resolves true. Rejects "Missing sourceFile", "Missing targetFile", "File
         * not found", "The file in the archive is damaged" (the target is left untouched), or with
         * the system's error text (a target that cannot be created, for one).
         */
        extractFile(args: ExtractFileArgs): Promise<true>;
    }

    interface Folders {
        /** 40001. Resolves true when a folder is there. Rejects "Missing dirPath". */
        dirExists(args: DirPathArgs): Promise<boolean>;
        /** 40002. Deletes the folder with everything in it, without asking. Rejects "Missing dirPath". */
        deleteDir(args: DirPathArgs): Promise<boolean>;
        /** 40003. The user's temporary folder, ending with the path separator. */
        getTempDir(): Promise<string>;
        /** 40004. The user's documents folder, ending with the path separator. */
        getUserDocumentsDir(): Promise<string>;
        /** 40005. The user's desktop folder, ending with the path separator. */
        getUserDesktopDir(): Promise<string>;
        /** 40006. The folder of the running executable, ending with the path separator. */
        getAppExecutableDir(): Promise<string>;
        /** 40007. The user's roaming application-data folder, ending with the path separator. */
        getAppDataDir(): Promise<string>;
    }

    interface App {
        /** 50001. Closes the main window and ends the application. No reply. */
        close(): Promise<never>;
        /** 50002. Resolves true while the window is in full screen. */
        inFullscreen(): Promise<boolean>;
        /** 50003, runtime only. Borderless and maximized. No reply. */
        enterFullscreen(): Promise<never>;
        /** 50004, runtime only. Back to the normal state and the configured border. No reply. */
        exitFullscreen(): Promise<never>;
        /** 50005, runtime only. The executable's full path, then every command-line argument. */
        getArgs(): Promise<string[]>;
    }

    interface Window {
        /** 60001. */
        getStyle(): Promise<WindowStyle>;
        /** 60002. Resolves true. */
        setStyle(args: SetStyleArgs): Promise<true>;
        /** 60003. */
        getState(): Promise<WindowState>;
        /** 60004. Resolves true, also for a state it ignores. */
        setState(args: SetStateArgs): Promise<true>;
        /** 60005. The main window's caption. */
        getTitle(): Promise<string>;
        /** 60006. Resolves true. With DynamicAppTitle the next document title replaces it. */
        setTitle(args: SetTitleArgs): Promise<true>;
        /**
         * 60007. The zoom factor as text, written with the user's decimal separator ("1.5", or
         * "1,5" where the comma is used): pass it through `parseFloat` only after replacing ",".
         */
        getZoom(): Promise<string>;
        /** 60008. Resolves true when `factor` was a number, false when it was reset to 1. */
        setZoom(args: SetZoomArgs): Promise<boolean>;
    }

    interface Shell {
        /** 70001. Opens a document with its application or starts a program. Rejects "Missing filePath" or the system's error text. */
        execute(args: ExecuteArgs): Promise<true>;
        /** 70002. Shows the file selected in the file manager. Rejects "Missing filePath" or the system's error text. */
        explore(args: FilePathArgs): Promise<true>;
        /**
         * 70003. Runs the command and resolves with its standard output and error together, once
         * it has ended; "" when it cannot start. The exit code is not reported. Commands run one at a
         * time in the order of the calls. Rejects "Missing command", or "The command was ended: its
         * output exceeds 16 MiB".
         */
        command(args: CommandArgs): Promise<string>;
        /** 70004. The non-blank captions of all top-level windows, the topmost first, hidden ones included. */
        windows(): Promise<string[]>;
    }

    interface Themes {
        /** 80001, runtime only. The active style's name. */
        getTheme(): Promise<StyleName>;
        /** 80002, runtime only. All 40 style names, sorted. */
        getThemes(): Promise<StyleName[]>;
        /**
         * 80003, runtime only. Activates the style found ignoring case; resolves true only when
         * the active name now equals `name` exactly ("windows10 dark" switches but answers false).
         */
        setTheme(args: SetThemeArgs): Promise<boolean>;
    }

    interface Base64 {
        /**
         * 90001. Decodes `contents` and replaces the file with the bytes. Resolves true. Rejects
         * "Missing filePath", or with the system's error text.
         */
        decodeToFile(args: DecodeToFileArgs): Promise<true>;
    }

    interface System {
        /** 11001, runtime only. Ends the user's session without asking other applications. Rejects with the system's error text. */
        logoff(): Promise<true>;
        /** 11002, runtime only. Restarts the computer without asking other applications. Rejects with the system's error text. */
        reboot(): Promise<true>;
        /** 11003, runtime only. Shuts the computer down without asking other applications. Rejects with the system's error text. */
        shutdown(): Promise<true>;
    }

    interface MainMenu {
        /**
         * 12001, runtime only. Replaces the window's whole menu bar. Resolves true. Rejects
         * "Missing menu items", "Wrong menu items JSON" (not an array) or "Wrong menu item JSON"
         * (an item lacks caption or id, or has `items` that is not an array); the bar is then empty.
         */
        setItems(args: SetItemsArgs): Promise<true>;
        /**
         * 12002, runtime only. Changes the first item with that id; resolves true, also when no
         * item has it. Rejects "Missing item ID", "Wrong item ID" or "No menu items".
         */
        updateItem(args: UpdateItemArgs): Promise<true>;
    }

    interface Events {
        /**
         * Runs on every attempt to close the main window. The default calls `vtr.app.close()`;
         * a replacement keeps the window open until it calls `vtr.app.close()` itself.
         */
        onCloseQuery: () => void;
        /** Runs when the user chooses a menu command, with the item's id. Default: nothing. */
        onMainMenuItemClick: (itemId: number) => void;
    }
}

/** The bridge, present in every document of a packaged application before the page's scripts run. */
declare var vtr: Vtr;
