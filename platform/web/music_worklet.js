// The sound device of the web build: an audio worklet that plays the song
// in its own libopenmpt, one render quantum at a time, and tells the page
// each new position with the context frame from which it is heard (before
// the output's latency, which the page adds), and after each quantum the
// frame it has rendered up to, from which the page keeps its clock.
import libopenmpt from "./libopenmpt.worklet.js";
import { openSong } from "./song.js";

// libopenmpt's own log lines would reach the console as errors; the page
// reports what matters itself.
const ready = libopenmpt({ print() {}, printErr() {} });

class MusicOutput extends AudioWorkletProcessor {
    constructor() {
        super();
        this.songs = new Map(); // by the page's id
        this.song = null;
        this.run = 0;
        // "starting", "playing"; and when it starts after the page has gone
        // on without it, "following" (to ask where the song has got to) and
        // "asking".
        this.state = "idle";
        this.skip = 0; // seconds to skip on starting
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
            this.skip = 0;
            this.state = this.song ? "starting" : "idle";
        } else if (m.cmd === "follow") {
            if (m.run === this.run && this.state === "starting")
                this.state = "following";
        } else if (m.cmd === "go") {
            if (m.run === this.run && this.state === "asking") {
                this.skip = m.seconds;
                this.state = "starting";
            }
        } else if (m.cmd === "stop") {
            this.state = "idle";
        }
    }

    process(inputs, outputs) {
        if (this.state === "following") {
            this.port.postMessage({ cmd: "awake", run: this.run });
            this.state = "asking";
        }
        if (this.state === "idle" || this.state === "asking")
            return true;
        if (this.state === "starting") {
            this.song.restart(this.order, currentFrame);
            if (this.skip > 0)
                this.song.skip(this.skip);
            this.state = "playing";
        }
        const run = this.run;
        const channels = outputs[0];
        const got = this.song.piece(sampleRate, channels[0].length, channels, (mark) =>
            this.port.postMessage({ cmd: "mark", run, ...mark }));
        this.port.postMessage({ cmd: "rendered", run, frame: currentFrame + Math.max(got, 0) });
        if (this.song.ended) {
            this.port.postMessage({ cmd: "end", run, frame: this.song.endFrame });
            this.state = "idle";
        }
        return got >= 0;
    }
}

registerProcessor("music-output", MusicOutput);
