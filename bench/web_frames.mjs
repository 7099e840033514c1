// The web page's numbers: frames a second of each scene at 1024x768
// (uncapped, muted) in headless Chromium (WebGL on SwiftShader) and in
// Firefox ESR (a window on Xvfb, WebGL on Mesa's llvmpipe), beside the
// native demo's (--window --uncapped --mute under Xvfb, buffer swaps counted
// by swap_log), the bytes the page is made of, and the time from the click
// on the card to the show's first frame in each browser.
//
// Chromium on a machine without a usable GPU draws WebGL with SwiftShader
// and composites the page in software; that is the figure the target is
// for. The tests' flags also put the compositor on SwiftShader, which costs
// a full-screen pass of its own every frame; that figure is shown beside it.
// Firefox draws WebGL with the system's OpenGL, here llvmpipe, and
// composites in software.
//   node bench/web_frames.mjs [BUILD] [PAGE]
// BUILD is the desktop build (default build/), PAGE the page (build-web/page).
import { spawn } from "node:child_process";
import { existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { serve } from "../web/serve.mjs";
import { Browser } from "../tests/web/browser.mjs";

const root = resolve(dirname(fileURLToPath(import.meta.url)), "..");
const build = resolve(process.argv[2] || join(root, "build"));
const pageDir = resolve(process.argv[3] || join(root, "build-web/page"));
const width = 1024, height = 768;
const scenes = [0, 3, 7, 11, 15, 17]; // each scene's first order
const sceneEnds = [3, 7, 11, 15, 17, 23];
const warmUp = 1000, measured = 4000; // ms
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

function pageBytes() {
    const sizes = {};
    for (const name of readdirSync(pageDir))
        sizes[name] = statSync(join(pageDir, name)).size;
    const sum = (names) => names.reduce((total, n) => total + (sizes[n] || 0), 0);
    const js = Object.keys(sizes).filter((n) => /\.(m?js|html|css)$/.test(n) && n !== "libopenmpt.worklet.js");
    return {
        wasm: sum(["demo.wasm"]),
        js: sum(js),
        data: sum(["demo.data.gz"]),
        song: sum(["Prueba.IT"]),
        libopenmpt: sum(["libopenmpt.worklet.js"]),
        total: sum(Object.keys(sizes)),
    };
}

// Frames of the scene drawn per second, after a warm-up, on a page of its own.
async function webFps(browser, url, from, index) {
    await browser.open(`${url}?mute&uncapped&from=${from}`);
    if (!(await browser.waitFor("window.demo && demo.state === 'card'", 30)))
        throw new Error("the page did not start");
    await browser.click(width / 2, height * 0.9);
    await sleep(warmUp);
    const count = `Object.entries(demo.orders).filter(([o]) => o >= ${from} && o < ${sceneEnds[index]})
        .reduce((n, [, v]) => n + v.frames, 0)`;
    const before = await browser.evaluate(count);
    const start = Date.now();
    await sleep(measured);
    const fps = ((await browser.evaluate(count)) - before) * 1000 / (Date.now() - start);
    // Back to the card: a page drawing flat out holds up the next navigation.
    await browser.key("Escape");
    await browser.waitFor("demo.state === 'card'", 10);
    return fps;
}

async function clickToFirstFrame(browser, url) {
    const times = [];
    for (let i = 0; i < 5; i++) {
        await browser.open(url);
        await browser.waitFor("window.demo && demo.state === 'card'", 30);
        await browser.click(width / 2, height * 0.9);
        await browser.waitFor("demo.firstFrameMs >= 0", 10);
        times.push(await browser.evaluate("demo.firstFrameMs"));
    }
    return times.sort((a, b) => a - b);
}

function run(command, args, options) {
    const child = spawn(command, args, { stdio: "ignore", ...options });
    return { child, ended: new Promise((r) => child.on("exit", r)) };
}

async function startXvfb() {
    for (let n = 140 + (process.pid % 50); ; n++) {
        if (existsSync(`/tmp/.X${n}-lock`) || existsSync(`/tmp/.X11-unix/X${n}`))
            continue;
        const server = run("Xvfb", [`:${n}`, "-screen", "0", `${width}x${height}x24`, "-nolisten", "tcp"]);
        for (let i = 0; i < 50 && !existsSync(`/tmp/.X11-unix/X${n}`); i++)
            await sleep(100);
        return { server, display: `:${n}` };
    }
}

// The native demo's swaps a second over the same window of time.
async function nativeFps(display, from, work) {
    const log = join(work, `swaps-${from}`);
    const env = { ...process.env, DISPLAY: display, LD_PRELOAD: join(build, "bench/libswap_log.so"),
        FRAME_LOG: log, LIBGL_ALWAYS_SOFTWARE: "1" };
    const demo = run(join(build, "demo"), ["--window", "--uncapped", "--mute", "--from", String(from)],
        { cwd: join(build, "data"), env });
    await sleep(warmUp + measured + 1500);
    // Esc ends the demo through exit(), which writes the log.
    await run("xdotool", ["key", "Escape"], { env: { ...process.env, DISPLAY: display } }).ended;
    await demo.ended;
    const swaps = readFileSync(log, "utf8").trim().split("\n").map((l) => Number(l.split(" ")[0]) / 1e6);
    const first = swaps[0] + 1500; // start-up and the first frames aside
    const inside = swaps.filter((t) => t >= first && t < first + measured);
    return inside.length * 1000 / measured;
}

const bytes = pageBytes();
const server = await serve(pageDir);
const url = `http://127.0.0.1:${server.address().port}/`;
const uncapped = ["--disable-frame-rate-limit", "--disable-gpu-vsync"];
const compositing = { software: ["--disable-gpu-compositing"], swiftshader: [] };
// Firefox's refresh driver ticks as fast as it can.
const firefoxUncapped = { "layout.frame_rate": 0 };
const web = {};
async function measureScenes(name, kind, options) {
    const browser = await Browser.launch(kind, { width, height, ...options });
    web[name] = [];
    for (const [index, from] of scenes.entries()) {
        web[name].push(await webFps(browser, url, from, index));
        console.error(`web (${name}) scene ${index + 1}: ${web[name][index].toFixed(1)} fps`);
    }
    await browser.close();
}
for (const [name, flags] of Object.entries(compositing))
    await measureScenes(name, "chromium", { flags: [...uncapped, ...flags] });
await measureScenes("firefox", "firefox", { prefs: firefoxUncapped });
const clicks = {};
for (const [kind, options] of [["chromium", { flags: compositing.software }], ["firefox", {}]]) {
    const browser = await Browser.launch(kind, { width, height, ...options });
    clicks[kind] = await clickToFirstFrame(browser, url);
    await browser.close();
}
server.close();

const work = mkdtempSync(join(tmpdir(), "web-frames-"));
const x = await startXvfb();
const native = [];
for (const from of scenes) {
    native.push(await nativeFps(x.display, from, work));
    console.error(`native from ${from}: ${native.at(-1).toFixed(1)} fps`);
}
x.server.child.kill();
rmSync(work, { recursive: true, force: true });

console.log("Frames a second at 1024x768, uncapped and muted");
console.log("       web: Chromium, WebGL on SwiftShader   Firefox ESR, window    native");
console.log("scene  composited in software  on SwiftShader  on Xvfb, llvmpipe  Xvfb, llvmpipe");
const column = (n, width) => n.toFixed(1).padStart(width);
scenes.forEach((from, i) => console.log(`  ${i + 1}  ${column(web.software[i], 17)}  ${column(web.swiftshader[i], 15)}` +
    `  ${column(web.firefox[i], 17)}  ${column(native[i], 14)}`));
const kb = (n) => `${(n / 1024).toFixed(0)} KiB`;
console.log(`Page: wasm ${kb(bytes.wasm)}, js/html/css ${kb(bytes.js)}, data ${kb(bytes.data)}, ` +
    `song ${kb(bytes.song)}, libopenmpt ${kb(bytes.libopenmpt)}; ` +
    `whole page ${(bytes.total / 1048576).toFixed(2)} MiB`);
for (const [kind, times] of Object.entries(clicks))
    console.log(`Click to first frame in ${kind}: median ${times[2].toFixed(1)} ms, worst ${times[4].toFixed(1)} ms (5 clicks)`);
