// Starts of the page with sound in Firefox, each in a fresh browser on its
// own desktop and PulseAudio server (tests/web/browser.mjs): after each
// click, full screen is toggled in and out a few times while the sound
// starts, as a visitor does, and the show must still be drawing frames and
// moving through the song 6 s after the click. A page that freezes (no
// frames, no script) counts as frozen.
// The song is a short test song (0.32 s an order), so the orders move.
//   node bench/web_soak.mjs [STARTS] [BUILD] [PAGE] [--timestamp-every-frame]
// STARTS defaults to 20, BUILD to build/, PAGE to build-web/page.
// --timestamp-every-frame also calls AudioContext.getOutputTimestamp() on
// every frame, as the page once did, to show what the soak catches.
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { serve } from "../web/serve.mjs";
import { Browser } from "../tests/web/browser.mjs";

const root = resolve(dirname(fileURLToPath(import.meta.url)), "..");
const args = process.argv.slice(2).filter((a) => !a.startsWith("--"));
const everyFrame = process.argv.includes("--timestamp-every-frame");
const starts = Number(args[0] || 20);
const build = resolve(args[1] || join(root, "build"));
const pageDir = resolve(args[2] || join(root, "build-web/page"));
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

const work = mkdtempSync(join(tmpdir(), "web-soak-"));
const songFile = join(work, "short.it");
execFileSync(join(build, "tests/web/write_test_song"), [songFile, "24", "1", "250", "32"]);
const server = await serve(pageDir, 0, { "Prueba.IT": readFileSync(songFile) });
const url = `http://127.0.0.1:${server.address().port}/`;

// A frozen page answers nothing: null after `seconds`.
function within(promise, seconds) {
    return Promise.race([promise, sleep(seconds * 1000).then(() => null)]);
}

const sample = `({ frames: demo.frames, order: Math.max(...Object.keys(demo.orders).map(Number)),
    sound: demo.sound, context: Module.audio ? Module.audio.context.state : "none" })`;

const results = [];
for (let i = 1; i <= starts; i++) {
    const browser = await Browser.launch("firefox");
    let result;
    try {
        await browser.open(url);
        if (!(await browser.waitFor("window.demo && demo.state === 'card'", 30)))
            throw new Error("no card");
        if (everyFrame)
            await browser.evaluate(`(function call() {
                Module.audio.context.getOutputTimestamp(); requestAnimationFrame(call); })()`);
        await browser.click(512, 700);
        const clicked = Date.now();
        // A frozen page takes no key either: each waits at most a few seconds.
        for (let toggle = 0; toggle < 6; toggle++) {
            await within(browser.key("f"), 3);
            await sleep(250);
        }
        await sleep(Math.max(0, 6000 - (Date.now() - clicked)));
        const first = await within(browser.evaluate(sample), 5);
        await sleep(500);
        const second = first && (await within(browser.evaluate(sample), 5));
        const moving = second && second.frames > first.frames && second.order > first.order;
        result = { start: i, frozen: !moving, first, second };
    } catch (error) {
        result = { start: i, frozen: null, error: String(error.message || error) };
    }
    results.push(result);
    console.error(JSON.stringify(result));
    await browser.close();
}
server.close();
rmSync(work, { recursive: true, force: true });

const frozen = results.filter((r) => r.frozen === true).length;
const failed = results.filter((r) => r.frozen === null).length;
const heard = results.filter((r) => r.second && r.second.context === "running").length;
console.log(`Firefox, ${starts} starts with sound${everyFrame ? ", getOutputTimestamp() every frame" : ""}: ` +
    `${frozen} frozen 6 s after the click, ${starts - frozen - failed} drawing and moving` +
    (failed ? `, ${failed} that did not start` : "") + `; the sound running in ${heard}`);
