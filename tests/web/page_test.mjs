// The built page (build-web/page) in the browser WEB_BROWSER names (chromium
// or firefox), the same checks in each: the show from the card to its end
// with full screen on and off, each scene's frame against the native
// program's, the URL's start order, and what the page does without its
// song, without a sound output and without WebGL 2.
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { serve } from "../../web/serve.mjs";
import { Browser } from "./browser.mjs";

const pageDir = process.env.WEB_PAGE_DIR;
const dataDir = process.env.DEMO_DATA_DIR;
const kind = process.env.WEB_BROWSER;
const width = 1024, height = 768;
let work;

before(() => {
    assert.ok(["chromium", "firefox"].includes(kind), `WEB_BROWSER is "${kind}"`);
    assert.ok(readFileSync(join(pageDir, "demo.wasm")).length > 0, `no page in ${pageDir}`);
    work = mkdtempSync(join(tmpdir(), "web-page-test-"));
});
after(() => rmSync(work, { recursive: true, force: true }));

// 24 orders of 32 rows at speed 1 and tempo 250: 0.32 s an order, so the
// show reaches order 23 after 7.4 s.
function shortSong() {
    const file = join(work, "short.it");
    execFileSync(process.env.WRITE_TEST_SONG, [file, "24", "1", "250", "32"]);
    return readFileSync(file);
}

// `options` for Browser.launch: sound, webgl2.
async function withPage(replace, body, options = {}) {
    const server = await serve(pageDir, 0, replace);
    // A browser that cannot start must not leave the server holding the
    // test process open until its time is up.
    let browser = null;
    try {
        browser = await Browser.launch(kind, { width, height, ...options });
        await body(browser, `http://127.0.0.1:${server.address().port}/`);
    } finally {
        server.close();
        if (browser)
            await browser.close();
    }
}

async function openCard(browser, url) {
    await browser.open(url);
    assert.ok(await browser.waitFor("window.demo && demo.state === 'card'", 30),
        "no card: " + JSON.stringify(await browser.evaluate("window.demo")));
}

const sceneOf = (order) => [3, 7, 11, 15, 17, 23].findIndex((end) => order < end) + 1;
const noteShown = "!document.getElementById('note').hidden";

// Clicks the card and waits for the short song's show to end on the card.
async function playShortShow(browser, during = async () => {}) {
    await browser.click(width / 2, height * 0.9);
    assert.ok(await browser.waitFor("demo.state === 'show'", 5));
    await during();
    assert.ok(await browser.waitFor("demo.state === 'card' && demo.shows === 1", 30),
        "the show did not end: " + JSON.stringify(await browser.evaluate("demo")));
    const report = await browser.evaluate("demo");
    const scenes = new Set(Object.keys(report.orders).map((o) => sceneOf(Number(o))));
    assert.deepEqual([...scenes].sort(), [1, 2, 3, 4, 5, 6], "scenes seen");
    assert.ok(!("23" in report.orders), "order 23 is never drawn");
    assert.equal(await browser.evaluate("document.getElementById('prompt').textContent"), "Play again");
    assert.ok(!(await browser.evaluate(noteShown)), "the note on the sound is left on the card");
    return report;
}

const fullScreen = "document.fullscreenElement !== null";

// The short song's orders last 0.32 s from the click, which starts the
// song: from the show's first frame on, each frame shows the order the song
// has reached within a quarter of a second (a frame missed is no frame off).
function assertSongTime(report) {
    const orders = Object.entries(report.orders).map(([order, seen]) => ({
        order: Number(order),
        first: (seen.first - report.clickAt) / 1000,
        last: (seen.last - report.clickAt) / 1000,
    }));
    const off = (o) => Math.max(0.32 * o.order - o.first, o.last - 0.32 * (o.order + 1));
    const worst = orders.reduce((w, o) => (off(o) > off(w) ? o : w));
    const table = orders.map((o) => `${o.order}: ${o.first.toFixed(2)}-${o.last.toFixed(2)}`).join(", ");
    assert.ok(off(worst) <= 0.25, `order ${worst.order} drawn ${off(worst).toFixed(2)} s off the song ` +
        `(seconds after the click each order is drawn, the first frame at ` +
        `${(report.firstFrameMs / 1000).toFixed(2)}: ${table})`);
}

test("the page plays a short song from the card to its end and comes back to the card", { timeout: 120000 }, async () => {
    await withPage({ "Prueba.IT": shortSong() }, async (browser, url) => {
        await openCard(browser, url);
        const report = await playShortShow(browser, async () => {
            await browser.key("v");
            await browser.key("x");
            // Full screen on and off, by key and by double click.
            await browser.key("f");
            assert.ok(await browser.waitFor(fullScreen, 3), "f gives no full screen");
            await browser.key("f");
            assert.ok(await browser.waitFor("!" + fullScreen, 3), "f leaves no full screen");
            // As a person would: not in the very moment the window shrinks.
            await new Promise((resolve) => setTimeout(resolve, 300));
            await browser.click(width / 2, height / 2, 2);
            assert.ok(await browser.waitFor(fullScreen, 3), "a double click gives no full screen: " +
                JSON.stringify(browser.console.slice(-3)));
            await browser.click(width / 2, height / 2, 2);
            assert.ok(await browser.waitFor("!" + fullScreen, 3), "a double click leaves no full screen");
            assert.equal(await browser.evaluate("demo.sound"), "device");
            assert.ok(!(await browser.evaluate(noteShown)), "a note on the sound while it plays");
        });
        assert.ok(report.firstFrameMs >= 0 && report.firstFrameMs < 1000, `${report.firstFrameMs} ms`);
        const logged = browser.console.map((c) => c.text);
        for (const line of ["Loading Texture: logo.JPG...Done.", "Window Changed to (x,y): 1024, 768",
            "Keypress Occured: v", "Keypress Occured: x"])
            assert.ok(logged.includes(line), `no console line "${line}" in ${JSON.stringify(logged)}`);
        assert.deepEqual(browser.errors, []);
    });
});

// RGBA, bottom row first.
function meanDifference(a, b) {
    let sum = 0;
    for (let i = 0; i < a.length; i += 4)
        sum += Math.abs(a[i] - b[i]) + Math.abs(a[i + 1] - b[i + 1]) + Math.abs(a[i + 2] - b[i + 2]);
    return sum / (a.length / 4 * 3);
}

// The wire cube's lines carry tia.tga at texture coordinate (0, 1), where
// GL_LINEAR over the repeated picture takes the mean of its four corners.
function lineColour() {
    const tga = readFileSync(join(dataDir, "tia.tga"));
    const w = tga.readUInt16LE(12), h = tga.readUInt16LE(14);
    const corners = [[0, 0], [w - 1, 0], [0, h - 1], [w - 1, h - 1]].map(([x, y]) => 18 + (y * w + x) * 4);
    return [2, 1, 0].map((c) => corners.reduce((sum, at) => sum + tga[at + c], 0) / 4);
}

// The most frequent length of the runs of the lines' colour across rows
// and columns right of the centre, where the cubes are: the lines' width.
function lineWidth(frame, colour) {
    const near = (i) => [0, 1, 2].every((c) => Math.abs(frame[i + c] - colour[c]) <= 4);
    const runs = new Map();
    const count = (length) => length > 1 && runs.set(length, (runs.get(length) || 0) + 1);
    const walk = (outer, inner, at) => {
        for (let a = 0; a < outer; a++) {
            let run = 0;
            for (let b = 0; b < inner; b++)
                run = near(at(a, b)) ? run + 1 : (count(run), 0);
            count(run);
        }
    };
    walk(height, width / 2, (y, x) => (y * width + width / 2 + x) * 4);
    walk(width / 2, height, (x, y) => (y * width + width / 2 + x) * 4);
    return [...runs.entries()].sort((p, q) => q[1] - p[1])[0][0];
}

test("each scene's frame matches the native program's frame of the same number", { timeout: 240000 }, async () => {
    // The first order of each scene, and a frame well inside it.
    const starts = [0, 3, 7, 11, 15, 17];
    const frame = 40;
    await withPage({}, async (browser, url) => {
        for (const from of starts) {
            const prefix = join(work, `native-${from}`);
            execFileSync(process.env.REFERENCE_FRAMES, [`${width}x${height}`, String(from), prefix,
                String(frame)], { cwd: dataDir });
            const native = readFileSync(`${prefix}-${frame}.rgba`);
            await browser.open(`${url}?stepped&from=${from}`);
            assert.ok(await browser.waitFor("window.demo && demo.state === 'stepped'", 30));
            const web = Buffer.from(await browser.evaluateLong(`demo.stepTo(${frame})`), "base64");
            assert.equal(web.length, native.length);
            const difference = meanDifference(web, native);
            assert.ok(difference < 3, `order ${from}: mean difference ${difference.toFixed(2)}`);
            if (from === 11) {
                assert.equal(lineWidth(native, lineColour()), 5, "the native cube's lines");
                assert.equal(lineWidth(web, lineColour()), 5, "the page's cube's lines");
            }
        }
        assert.deepEqual(browser.errors, []);
    });
});

test("?from=17 starts on Scene6; a missing song, a machine without sound and a browser without WebGL 2 are told on the page", { timeout: 180000 }, async () => {
    await withPage({}, async (browser, url) => {
        await openCard(browser, url + "?from=17&mute");
        await browser.click(width / 2, height * 0.9);
        assert.ok(await browser.waitFor("demo.frames >= 10", 10));
        const orders = Object.keys(await browser.evaluate("demo.orders")).map(Number);
        assert.ok(orders.length > 0 && orders.every((o) => sceneOf(o) === 6), `orders ${orders}`);
    });
    await withPage({ "Prueba.IT": null }, async (browser, url) => {
        await openCard(browser, url);
        const shown = await browser.evaluate("document.getElementById('messages').textContent");
        assert.match(shown, /music: cannot load "Prueba.IT": No such file or directory/);
    });
    // No sound server: Firefox's output never starts, so after a second the
    // page says the song goes on silently; Chromium plays into an output of
    // its own that leads nowhere. Either way the show keeps the song's time
    // from its first frame to its end.
    await withPage({ "Prueba.IT": shortSong() }, async (browser, url) => {
        await openCard(browser, url);
        const report = await playShortShow(browser, async () => {
            if (kind === "firefox") {
                assert.ok(await browser.waitFor(`demo.sound === 'silent' && ${noteShown}`, 3),
                    "no note: " + JSON.stringify(await browser.evaluate("demo")));
                assert.match(await browser.evaluate("document.getElementById('note').textContent"), /no sound/i);
            } else {
                assert.ok(await browser.waitFor("demo.frames > 100", 5));
                assert.equal(await browser.evaluate("demo.sound"), "device");
            }
        });
        assertSongTime(report);
        assert.deepEqual(browser.errors, []);
    }, { sound: "none" });
    await withPage({}, async (browser, url) => {
        await browser.open(url);
        assert.ok(await browser.waitFor("window.demo && demo.state === 'stopped'", 30),
            "the page does not stop: " + JSON.stringify(await browser.evaluate("window.demo")));
        await new Promise((resolve) => setTimeout(resolve, 500));
        assert.deepEqual(await browser.evaluate("demo.messages"), ["demo: this browser offers no WebGL 2"]);
        assert.ok(await browser.evaluate("document.getElementById('status').hidden"), "still loading");
        assert.ok(await browser.evaluate("document.getElementById('card').hidden"), "a card");
        assert.deepEqual(browser.errors, ["demo: this browser offers no WebGL 2"]);
    }, { webgl2: false });
});
