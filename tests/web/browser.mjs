// Debian's browsers driven by puppeteer-core (web/package.json), which
// downloads none: Chromium headless over the DevTools protocol, with WebGL
// on SwiftShader; Firefox ESR over WebDriver BiDi, with a window on a
// private Xvfb, since it offers no WebGL when headless. Each gets a private
// PulseAudio server (or none, for a machine without sound).
import { createRequire } from "node:module";
import { startDesktop } from "./desktop.mjs";

const puppeteer = createRequire(new URL("../../web/package.json", import.meta.url))("puppeteer-core");

const chromiumFlags = [
    "--no-sandbox",
    "--use-gl=angle",
    "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader",
    "--autoplay-policy=no-user-gesture-required",
    "--no-first-run",
    "--no-default-browser-check",
];

const firefoxPrefs = {
    // Sound starts on the card's click, as a visitor's would; nothing blocks it.
    "media.autoplay.default": 0,
    "media.autoplay.blocking_policy": 0,
    // Mesa's software GL is the only one on a machine without a GPU.
    "webgl.force-enabled": true,
};

// The tests' window: a screen large enough for Firefox's own bars.
const screen = { width: 1280, height: 1024 };

export class Browser {
    // kind: "chromium" or "firefox"; the page's viewport is `width` x
    // `height`; sound: "sink" or "none"; webgl2: false for a browser that
    // offers none; `options` for the bench: Chromium flags and Firefox
    // preferences of its own.
    static async launch(kind, { width = 1024, height = 768, sound = "sink", webgl2 = true, flags = [],
        prefs = {} } = {}) {
        const desktop = await startDesktop({ ...screen, sound, display: kind === "firefox" });
        let browser;
        try {
            const env = { ...process.env, ...desktop.env };
            browser = kind === "firefox"
                ? await puppeteer.launch({
                    browser: "firefox",
                    executablePath: "/usr/bin/firefox-esr",
                    headless: false,
                    env,
                    // A first page of its own leaves the keyboard focus in the
                    // page rather than in the address bar, as after typing a
                    // URL: Firefox grants full screen only to a focused page.
                    args: ["data:text/html,"],
                    extraPrefsFirefox: { ...firefoxPrefs, ...(webgl2 ? {} : { "webgl.enable-webgl2": false }),
                        ...prefs },
                    defaultViewport: null,
                    protocolTimeout: 60000,
                })
                : await puppeteer.launch({
                    browser: "chrome",
                    executablePath: "/usr/bin/chromium",
                    headless: true,
                    env,
                    args: [...chromiumFlags, ...(webgl2 ? [] : ["--disable-webgl2"]), ...flags],
                    defaultViewport: null,
                    protocolTimeout: 60000,
                });
            const page = (await browser.pages())[0];
            await page.setViewport({ width, height });
            return new Browser(kind, browser, page, desktop);
        } catch (error) {
            if (browser)
                await browser.close().catch(() => {});
            await desktop.close();
            throw error;
        }
    }

    constructor(kind, browser, page, desktop) {
        this.kind = kind;
        this.browser = browser;
        this.page = page;
        this.desktop = desktop;
        // Console lines, and as text the console's errors, uncaught
        // exceptions and failed loads.
        this.console = [];
        this.errors = [];
        page.on("console", (message) => {
            const text = message.text();
            this.console.push({ type: message.type(), text });
            if (message.type() === "error")
                this.errors.push(text);
        });
        page.on("pageerror", (error) => this.errors.push(String(error.message || error)));
    }

    // `expression` is a string of JavaScript, evaluated in the page.
    async evaluate(expression) {
        return this.page.evaluate(expression);
    }

    // A long string, in pieces, so no protocol message is megabytes long.
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
        await this.page.goto(url, { waitUntil: "load" });
    }

    async click(x, y, count = 1) {
        await this.page.mouse.click(x, y, { count });
    }

    // `key` as KeyboardEvent.key names it: "v", "Escape".
    async key(key) {
        await this.page.keyboard.press(key);
    }

    // A browser that does not close within 10 s is killed, with every
    // process of its group.
    async close() {
        const closed = this.browser.close().then(() => true, () => false);
        const timeout = new Promise((resolve) => setTimeout(resolve, 10000, false));
        if (!(await Promise.race([closed, timeout]))) {
            const child = this.browser.process();
            try {
                process.kill(-child.pid, "SIGKILL");
            } catch {
                // already gone
            }
        }
        await this.desktop.close();
    }
}
