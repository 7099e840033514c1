// The sound device of the web build: an audio worklet that plays the song
// in its own libopenmpt, one render quantum at a time, and tells the page
// each new position with the context frame from which it is heard (before
// the output's latency, which the page adds).
import libopenmpt from "./libopenmpt.worklet.js";
import { openSong } from "./web_song.js";

// libopenmpt's own log lines would reach the console as errors; the page
// reports what matters itself.
const ready = libopenmpt({ print() {}, printErr() {} });

class MusicOutput extends AudioWorkletProcessor {
    constructor() {
        super();
        this.songs = new Map(); // by the page's id
        this.song = null;
        this.run = 0;
        this.state = "idle"; // "starting", "playing"
        this.port.onmessage = (event) => ready.then((lib) => this.message(lib, event.data));
    }

    message(lib, m) {
        if (m.cmd === "load") {
            const opened = openSong(lib, m.bytes);
            if (opened.song)
                this.songs.set(m.id, opened.song);
        } else if (m.cmd === "free") {
            const song = this.songs.get(m.id);
            if (song === this.song)
                this.state = "idle";
            if (song)
                song.free();
            this.songs.delete(m.id);
        } else if (m.cmd === "play") {
            this.song = this.songs.get(m.id) || null;
            this.run = m.run;
            this.order = m.order;
            this.state = this.song ? "starting" : "idle";
        } else if (m.cmd === "stop") {
            this.state = "idle";
        }
    }

    process(inputs, outputs) {
        if (this.state === "idle")
            return true;
        if (this.state === "starting") {
            this.song.restart(this.order, currentFrame);
            this.state = "playing";
        }
        const run = this.run;
        const channels = outputs[0];
        const got = this.song.piece(sampleRate, channels[0].length, channels, (mark) =>
            this.port.postMessage({ cmd: "mark", run, ...mark }));
        if (this.song.ended) {
            this.port.postMessage({ cmd: "end", run, frame: this.song.endFrame });
            this.state = "idle";
        }
        return got >= 0;
    }
}

registerProcessor("music-output", MusicOutput);
