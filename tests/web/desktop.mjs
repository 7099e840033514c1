// A private desktop for a browser: an Xvfb display of its own under openbox
// (browsers grant full screen only to a managed, focused window) where the
// browser needs a window, and a private PulseAudio server with a null sink,
// or none at all.
// Every program goes with the Node process that started it, even when that
// one is killed (setpriv's parent-death signal).
import { spawn, execFile } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { promisify } from "node:util";

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function start(args, options = {}) {
    const child = spawn("setpriv", ["--pdeathsig", "TERM", "--", ...args],
        { stdio: ["ignore", "ignore", "ignore", ...(options.extra || [])], env: options.env || process.env });
    const ended = new Promise((resolve) => child.on("exit", resolve));
    return { child, ended };
}

async function stop(program) {
    if (program.child.exitCode === null && program.child.signalCode === null) {
        program.child.kill("SIGTERM");
        await program.ended;
    }
}

// Xvfb picks a free display number itself and writes it once it accepts clients.
async function startXvfb(width, height) {
    const server = start(["Xvfb", "-displayfd", "3", "-screen", "0", `${width}x${height}x24`, "-nolisten", "tcp"],
        { extra: ["pipe"] });
    const number = await new Promise((resolve, reject) => {
        let text = "";
        const timer = setTimeout(() => reject(new Error("Xvfb did not start")), 30000);
        server.child.stdio[3].on("data", (chunk) => {
            text += chunk;
            if (text.includes("\n")) {
                clearTimeout(timer);
                resolve(text.trim());
            }
        });
        server.ended.then(() => reject(new Error("Xvfb ended")));
    });
    return { server, display: `:${number}` };
}

// Its own home and runtime folder, so no other server's socket or cookie
// is found, and a null sink as its output.
async function startPulse(folder) {
    const socket = join(folder, "native");
    const env = { ...process.env, HOME: folder, XDG_RUNTIME_DIR: folder };
    const args = ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "-n",
        `--load=module-native-protocol-unix auth-anonymous=1 socket=${socket}`,
        "--load=module-null-sink sink_name=demo"];
    const server = start(args, { env });
    const clientEnv = { PULSE_SERVER: `unix:${socket}`, PULSE_COOKIE: join(folder, "cookie") };
    for (let i = 0; i < 100; i++) {
        try {
            await promisify(execFile)("pactl", ["info"], { env: { ...process.env, ...clientEnv }, timeout: 5000 });
            return { server, env: clientEnv };
        } catch {
            if (server.child.exitCode !== null)
                break;
            await sleep(100);
        }
    }
    await stop(server);
    throw new Error("the private PulseAudio server did not start");
}

// openbox manages the screen once it has set its mark on the root window;
// on a machine busy with the rest of the suite that can take a while.
async function windowManagerReady(display, openbox) {
    for (let i = 0; i < 300 && openbox.child.exitCode === null && openbox.child.signalCode === null; i++) {
        const { stdout } = await promisify(execFile)("xprop", ["-root", "_NET_SUPPORTING_WM_CHECK"],
            { env: { ...process.env, DISPLAY: display } }).catch(() => ({ stdout: "" }));
        if (/window id/.test(stdout))
            return;
        await sleep(100);
    }
    throw new Error(openbox.child.exitCode === null && openbox.child.signalCode === null
        ? "openbox did not start" : "openbox ended at start");
}

// `sound`: "sink" (a null sink), or "none" (no server: the address given
// leads nowhere); `display`: false for a headless browser. Returns {env,
// close}: the variables a browser needs.
export async function startDesktop({ width = 1024, height = 768, sound = "sink", display = true } = {}) {
    const folder = mkdtempSync(join(tmpdir(), "demo-desktop-"));
    const programs = [];
    const close = async () => {
        for (const program of programs.reverse())
            await stop(program);
        rmSync(folder, { recursive: true, force: true });
    };
    try {
        const env = { XDG_RUNTIME_DIR: folder, HOME: folder };
        if (display) {
            const x = await startXvfb(width, height);
            programs.push(x.server);
            env.DISPLAY = x.display;
            const openbox = start(["openbox", "--sm-disable"], { env: { ...process.env, DISPLAY: x.display } });
            programs.push(openbox);
            await windowManagerReady(x.display, openbox);
        }
        let soundEnv = { PULSE_SERVER: `unix:${join(folder, "no-server")}` };
        if (sound === "sink") {
            const pulse = await startPulse(folder);
            programs.push(pulse.server);
            soundEnv = pulse.env;
        }
        return { env: { ...env, ...soundEnv }, close };
    } catch (error) {
        await close();
        throw error;
    }
}

