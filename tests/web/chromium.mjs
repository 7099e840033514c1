// Debian's chromium, headless, with WebGL 2 on SwiftShader, driven through
// the DevTools protocol. The WebSocket client is the ws package (web/
// package.json): Debian's Node has no WebSocket of its own.
import { spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import WebSocket from "../../web/node_modules/ws/wrapper.mjs";

export const chromiumFlags = [
    "--headless=new",
    "--no-sandbox",
    "--use-gl=angle",
    "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader",
    "--autoplay-policy=no-user-gesture-required",
    "--no-first-run",
    "--no-default-browser-check",
    "--hide-scrollbars",
];

export class Browser {
    // `flags` are added to chromiumFlags; the window is `width` x `height`.
    static async launch({ width = 1024, height = 768, flags = [] } = {}) {
        const profile = mkdtempSync(join(tmpdir(), "demo-chromium-"));
        const child = spawn("chromium", [...chromiumFlags, ...flags, `--window-size=${width},${height}`,
            `--user-data-dir=${profile}`, "--remote-debugging-port=0", "about:blank"],
            { stdio: ["ignore", "ignore", "pipe"], detached: true });
        const endpoint = await new Promise((resolve, reject) => {
            let text = "";
            const timer = setTimeout(() => reject(new Error("chromium did not start:\n" + text)), 30000);
            child.stderr.on("data", (chunk) => {
                text += chunk;
                const found = /DevTools listening on (ws:\/\/\S+)/.exec(text);
                if (found) {
                    clearTimeout(timer);
                    resolve(found[1]);
                }
            });
            child.on("exit", () => reject(new Error("chromium ended:\n" + text)));
        });
        const port = new URL(endpoint).port;
        const targets = await (await fetch(`http://127.0.0.1:${port}/json/list`)).json();
        const page = targets.find((t) => t.type === "page");
        const browser = new Browser(child, profile, new WebSocket(page.webSocketDebuggerUrl));
        await new Promise((resolve, reject) => {
            browser.socket.onopen = resolve;
            browser.socket.onerror = () => reject(new Error("no DevTools connection"));
        });
        await browser.send("Runtime.enable");
        await browser.send("Log.enable");
        await browser.send("Page.enable");
        // The viewport itself, whatever the window's frame takes.
        await browser.send("Emulation.setDeviceMetricsOverride",
            { width, height, deviceScaleFactor: 1, mobile: false });
        return browser;
    }

    constructor(child, profile, socket) {
        this.child = child;
        this.profile = profile;
        this.socket = socket;
        this.nextId = 1;
        this.pending = new Map();
        this.listeners = [];
        // Console errors, uncaught exceptions and failed loads, as text.
        this.errors = [];
        this.console = [];
        socket.onmessage = (event) => this.receive(JSON.parse(event.data));
    }

    receive(message) {
        if (message.id && this.pending.has(message.id)) {
            const { resolve, reject } = this.pending.get(message.id);
            this.pending.delete(message.id);
            if (message.error)
                reject(new Error(message.error.message));
            else
                resolve(message.result);
            return;
        }
        const p = message.params;
        if (message.method === "Runtime.consoleAPICalled") {
            const text = p.args.map((a) => a.value ?? a.description ?? "").join(" ");
            this.console.push({ type: p.type, text });
            if (p.type === "error")
                this.errors.push(text);
        } else if (message.method === "Runtime.exceptionThrown") {
            this.errors.push(p.exceptionDetails.exception?.description || p.exceptionDetails.text);
        } else if (message.method === "Log.entryAdded" && p.entry.level === "error") {
            this.errors.push(p.entry.text + (p.entry.url ? " " + p.entry.url : ""));
        }
        for (const listener of this.listeners)
            listener(message);
    }

    send(method, params = {}) {
        const id = this.nextId++;
        this.socket.send(JSON.stringify({ id, method, params }));
        return new Promise((resolve, reject) => this.pending.set(id, { resolve, reject }));
    }

    async evaluate(expression) {
        const result = await this.send("Runtime.evaluate", {
            expression,
            returnByValue: true,
            awaitPromise: true,
        });
        if (result.exceptionDetails)
            throw new Error(result.exceptionDetails.exception?.description || result.exceptionDetails.text);
        return result.result.value;
    }

    // A long string, in pieces, so no message over the socket is megabytes long.
    async evaluateLong(expression) {
        const length = await this.evaluate(`(window.longResult = ${expression}).length`);
        let text = "";
        for (let at = 0; at < length; at += 262144)
            text += await this.evaluate(`window.longResult.slice(${at}, ${at + 262144})`);
        return text;
    }

    // Polls `expression` until it is true; false at the deadline.
    async waitFor(expression, seconds) {
        const end = Date.now() + seconds * 1000;
        while (Date.now() < end) {
            if (await this.evaluate(expression))
                return true;
            await new Promise((resolve) => setTimeout(resolve, 50));
        }
        return false;
    }

    async open(url) {
        await this.send("Page.navigate", { url });
    }

    async click(x, y) {
        for (const type of ["mousePressed", "mouseReleased"])
            await this.send("Input.dispatchMouseEvent", { type, x, y, button: "left", clickCount: 1 });
    }

    async key(key, code = key.charCodeAt(0)) {
        const text = key.length === 1 ? key : "";
        await this.send("Input.dispatchKeyEvent", { type: "keyDown", key, text, windowsVirtualKeyCode: code });
        await this.send("Input.dispatchKeyEvent", { type: "keyUp", key, windowsVirtualKeyCode: code });
    }

    async close() {
        this.socket.close();
        // The whole group: Chromium's helpers write into the profile too.
        try {
            process.kill(-this.child.pid, "SIGKILL");
        } catch {
            // already gone
        }
        if (this.child.exitCode === null && this.child.signalCode === null)
            await new Promise((resolve) => this.child.on("exit", resolve));
        rmSync(this.profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
    }
}
