// How far the page's clock (the frame heard, from the frames the audio
// worklet reports and the output's latency) is from each browser's own
// account of it, AudioContext.getOutputTimestamp(), over 10 s of the song
// playing into a private PulseAudio null sink (tests/web/browser.mjs).
// Chromium is asked on every frame. Firefox is asked only every half second
// from 1.5 s after the sound started, since asking while its output starts
// can block the page for good; its timestamp dates the frame it has just
// rendered, not the one heard (both its times are moved back by the output
// latency, which cancels out), so the latency it reports is taken off it.
//   node bench/web_clock.mjs [PAGE]    (PAGE defaults to build-web/page)
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { serve } from "../web/serve.mjs";
import { Browser } from "../tests/web/browser.mjs";

const root = resolve(dirname(fileURLToPath(import.meta.url)), "..");
const pageDir = resolve(process.argv[2] || join(root, "build-web/page"));
const server = await serve(pageDir);
const url = `http://127.0.0.1:${server.address().port}/`;

// In the page: [ms since the sound started, page's frame heard minus the
// browser's, in ms] at each time asked.
const watch = (from, every, latencyOff) => `(() => {
    window.clockSamples = [];
    let last = 0;
    const tick = () => {
        const d = webMusic.device;
        const now = performance.now();
        if (d && d.started && now - d.started >= ${from} && now - last >= ${every}) {
            last = now;
            const context = Module.audio.context;
            const stamp = context.getOutputTimestamp();
            const at = performance.now();
            const theirs = (stamp.contextTime - (${latencyOff} ? context.outputLatency : 0) +
                (at - stamp.performanceTime) / 1000) * webMusic.rate;
            clockSamples.push([at - d.started, ((webMusic.deviceFrame(at) - theirs) / webMusic.rate) * 1000]);
        }
        requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
})()`;

const summary = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const at = (q) => sorted[Math.round(q * (sorted.length - 1))].toFixed(1);
    return `min ${at(0)}, 5% ${at(0.05)}, median ${at(0.5)}, 95% ${at(0.95)}, max ${at(1)} ms ` +
        `(${sorted.length} samples)`;
};

for (const [kind, from, every, latencyOff] of [["chromium", 0, 0, false], ["firefox", 1500, 500, true]]) {
    const browser = await Browser.launch(kind);
    await browser.open(url);
    if (!(await browser.waitFor("window.demo && demo.state === 'card'", 30)))
        throw new Error(`${kind}: the page did not start`);
    await browser.evaluate(watch(from, every, latencyOff));
    await browser.click(512, 700);
    await new Promise((r) => setTimeout(r, 10000));
    const samples = await browser.evaluate("clockSamples");
    const latency = await browser.evaluate("[Module.audio.context.baseLatency, Module.audio.context.outputLatency]");
    await browser.close();
    const first = samples.filter(([t]) => t < 1000).map(([, d]) => d);
    const rest = samples.filter(([t]) => t >= 1000).map(([, d]) => d);
    console.log(`${kind} (base latency ${(latency[0] * 1000).toFixed(1)} ms, output latency ` +
        `${(latency[1] * 1000).toFixed(1)} ms): the page's clock minus the browser's:`);
    if (first.length)
        console.log(`  first second of sound: ${summary(first)}`);
    console.log(`  after it: ${summary(rest)}`);
}
server.close();
