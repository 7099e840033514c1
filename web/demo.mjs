// The page's glue: fetches the assets, the song and libopenmpt, opens the
// sound output, starts the program with the URL's options as its command
// line, and passes it the clicks, keys and sizes. What the program reports
// is kept in window.demo for whoever watches the page (the tests, the bench).
import libopenmpt from "./libopenmpt.worklet.js";
import * as webSong from "./song.js";

const params = new URLSearchParams(location.search);
const stepped = params.has("stepped"); // frames on demand, for comparisons
const canvas = document.getElementById("canvas");
const card = document.getElementById("card");
const prompt = document.getElementById("prompt");
const status = document.getElementById("status");
const messages = document.getElementById("messages");
const note = document.getElementById("note");

const report = (window.demo = {
    state: "loading", // "card", "show", "stepped", "stopped"
    shows: 0, // shows played to their end or stopped
    frames: 0,
    orders: {}, // order: {frames, first, last}, times on performance.now()
    clickAt: 0,
    firstFrameMs: -1, // from the click to the show's first frame
    // The show's sound: "device" (played or about to be), "silent" (no sound
    // came in time: the song goes on silently), "" (muted or no worklet).
    sound: "",
    messages: [],
});

function showMessage(text) {
    console.error(text);
    report.messages.push(text);
    const item = document.createElement("li");
    item.textContent = text;
    messages.append(item);
}

async function fetchOk(name) {
    const response = await fetch(name);
    if (!response.ok)
        throw new Error(`${name}: ${response.status} ${response.statusText}`);
    return response;
}

async function fetchAssets() {
    const response = await fetchOk("demo.data.gz");
    const unpacked = response.body.pipeThrough(new DecompressionStream("gzip"));
    return new Response(unpacked).arrayBuffer();
}

// The song missing is the program's to say, as on the desktop.
async function fetchSong() {
    const response = await fetch("Prueba.IT");
    return response.ok ? new Uint8Array(await response.arrayBuffer()) : null;
}

// The audio worklet, ready to be started by the click; or why there is none.
async function openSound() {
    if (params.has("mute") || stepped)
        return {};
    try {
        const context = new AudioContext({ sampleRate: 44100, latencyHint: "interactive" });
        await context.audioWorklet.addModule("music_worklet.js");
        const node = new AudioWorkletNode(context, "music-output", {
            numberOfInputs: 0,
            outputChannelCount: [2],
        });
        node.connect(context.destination);
        return { audio: { context, node } };
    } catch (error) {
        return { audioProblem: String(error.message || error) };
    }
}

function commandLine() {
    const args = [];
    if (params.has("from"))
        args.push("--from", params.get("from"));
    if (params.has("mute"))
        args.push("--mute");
    if (params.has("uncapped"))
        args.push("--uncapped");
    return args;
}

function fitCanvas() {
    const scale = window.devicePixelRatio || 1;
    canvas.width = Math.round(canvas.clientWidth * scale);
    canvas.height = Math.round(canvas.clientHeight * scale);
}

// Called inside the handler of the user's own event, as Firefox demands:
// anywhere later it refuses.
function toggleFullScreen() {
    const done = document.fullscreenElement ? document.exitFullscreen()
        : document.documentElement.requestFullscreen();
    done.catch((error) => console.log(String(error)));
}

// Keys as GLUT gives them: characters, and the few named keys that are ones.
const namedKeys = { Escape: 27, Enter: 13, Tab: 9, Backspace: 8, Delete: 127 };
function keyCode(event) {
    if (event.key.length === 1 && event.key.charCodeAt(0) < 256)
        return event.key.charCodeAt(0);
    return namedKeys[event.key] || 0;
}

function listen(Module) {
    card.addEventListener("click", () => {
        report.clickAt = performance.now();
        report.firstFrameMs = -1;
        Module._webStart();
    });
    window.addEventListener("dblclick", (event) => {
        if (report.state === "show")
            toggleFullScreen();
        event.preventDefault();
    });
    window.addEventListener("keydown", (event) => {
        if (event.ctrlKey || event.altKey || event.metaKey)
            return;
        if (event.key === "f") {
            toggleFullScreen();
            return;
        }
        const code = keyCode(event);
        if (code) {
            Module._webKey(code);
            event.preventDefault();
        }
    });
    new ResizeObserver(() => {
        fitCanvas();
        Module._webResize(canvas.width, canvas.height);
    }).observe(canvas);
}

// Stepped: draws up to frame n and returns it as base64 RGBA, bottom row first.
function stepTo(Module, n) {
    const at = Module._webStepTo(n);
    if (!at)
        return null;
    const pixels = Module.HEAPU8.subarray(at, at + canvas.width * canvas.height * 4);
    let text = "";
    for (let i = 0; i < pixels.length; i += 32768)
        text += String.fromCharCode.apply(null, pixels.subarray(i, i + 32768));
    return btoa(text);
}

async function start() {
    fitCanvas();
    let assets, song, lib, sound;
    try {
        [assets, song, lib, sound] = await Promise.all([
            fetchAssets(),
            fetchSong(),
            libopenmpt({ print() {}, printErr() {} }),
            openSound(),
        ]);
    } catch (error) {
        status.hidden = true;
        showMessage(String(error.message || error));
        return;
    }
    const Module = (window.Module = {
        canvas,
        arguments: commandLine(),
        stepped,
        libopenmpt: lib,
        webSong,
        audio: sound.audio,
        audioProblem: sound.audioProblem,
        getPreloadedPackage: () => assets,
        preRun: [() => song && Module.FS.writeFile("/Prueba.IT", song)],
        postRun: [
            () => {
                status.hidden = true;
                if (report.state === "loading")
                    report.state = stepped ? "stepped" : "stopped";
                if (stepped)
                    report.stepTo = (n) => stepTo(Module, n);
                else if (report.state === "card")
                    listen(Module);
            },
        ],
        print: (text) => console.log(text),
        printErr: showMessage,
        showCard(again) {
            report.state = "card";
            report.shows += again;
            prompt.textContent = again ? "Play again" : "Click to start";
            card.hidden = false;
            note.hidden = true;
        },
        showStarted() {
            report.state = "show";
            card.hidden = true;
        },
        soundState(state) {
            if (state === "silent" && report.sound !== "silent")
                console.warn("music: no sound output has started; the song goes on silently");
            report.sound = state;
            note.hidden = state !== "silent";
        },
        frameDrawn(order) {
            const now = performance.now();
            if (report.firstFrameMs < 0)
                report.firstFrameMs = now - report.clickAt;
            report.frames++;
            const seen = (report.orders[order] ||= { frames: 0, first: now, last: now });
            seen.frames++;
            seen.last = now;
        },
    });
    const script = document.createElement("script");
    script.src = "demo.js";
    script.onerror = () => showMessage("demo.js could not be loaded");
    document.body.append(script);
}

start();
