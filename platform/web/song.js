// One song in a libopenmpt instance (chiptune3's WebAssembly build), shared
// by the page, which reads and steps songs itself, and the audio worklet,
// which plays them. Rendering goes in pieces shorter than any row, and each
// new order and row is dated from the middle of the piece it appeared in,
// so the position heard at any frame can be told later.

export const pieceFrames = 128;

// ASCII only: an audio worklet has no TextEncoder.
function cString(lib, text) {
    const at = lib._malloc(text.length + 1);
    for (let i = 0; i < text.length; i++)
        lib.HEAPU8[at + i] = text.charCodeAt(i);
    lib.HEAPU8[at + text.length] = 0;
    return at;
}

// {song} or {error}. The song ends where its order list ends, undithered,
// as on the desktop.
export function openSong(lib, bytes) {
    const file = lib._malloc(bytes.length);
    lib.HEAPU8.set(bytes, file);
    const strings = ["play.at_end", "stop", "dither", "0"].map((s) => cString(lib, s));
    const ctls = lib._malloc(4 * 6);
    strings.forEach((s, i) => (lib.HEAPU32[ctls / 4 + i] = s));
    lib.HEAPU32[ctls / 4 + 4] = 0;
    lib.HEAPU32[ctls / 4 + 5] = 0;
    const message = lib._malloc(4);
    lib.HEAPU32[message / 4] = 0;
    const mod = lib._openmpt_module_create_from_memory2(file, bytes.length, 0, 0, 0, 0, 0, message, ctls);
    const text = lib.HEAPU32[message / 4];
    const reason = text ? lib.UTF8ToString(text) : "unknown format";
    if (text)
        lib._openmpt_free_string(text);
    [file, ctls, message, ...strings].forEach((p) => lib._free(p));
    if (!mod)
        return { error: reason };
    lib._openmpt_module_set_repeat_count(mod, 0);
    return { song: new Song(lib, mod) };
}

export class Song {
    constructor(lib, mod) {
        this.lib = lib;
        this.mod = mod;
        this.buffer = lib._malloc(pieceFrames * 4 * 2);
        this.rendered = false;
        this.restart(0);
    }

    free() {
        this.lib._openmpt_module_destroy(this.mod);
        this.lib._free(this.buffer);
    }

    orderCount() {
        return this.lib._openmpt_module_get_num_orders(this.mod);
    }

    // Seconds from the start to the first row of `order`; the length of the
    // song for an order it never reaches.
    orderTime(order) {
        let seconds = this.lib._openmpt_module_get_duration_seconds(this.mod);
        if (order >= 0 && order < this.orderCount())
            seconds = Math.min(seconds, this.lib._openmpt_module_set_position_order_row(this.mod, order, 0));
        this.rendered = true; // moved: playing goes back first
        return seconds;
    }

    // Plays from the first row of `order`; device frame `frame` is the
    // first one rendered.
    restart(order, frame = 0) {
        if (this.rendered || order !== 0)
            this.lib._openmpt_module_set_position_order_row(this.mod, order, 0);
        this.rendered = false;
        this.firstOrder = order;
        this.frame = frame;
        this.ended = false;
        this.endFrame = 0;
        this.last = null;
    }

    // Moves on `seconds` from where it would play next.
    skip(seconds) {
        const at = this.lib._openmpt_module_get_position_seconds(this.mod);
        this.lib._openmpt_module_set_position_seconds(this.mod, at + seconds);
        this.rendered = true;
    }

    // Renders the next `count` frames (at most a piece) at `rate`, as 16-bit
    // interleaved stereo (into null) or into two float channels; returns
    // how many were rendered and, through onMark, each new position.
    piece(rate, count, floats, onMark) {
        if (this.ended)
            return 0;
        const lib = this.lib;
        let got;
        if (floats) {
            const right = this.buffer + pieceFrames * 4;
            got = lib._openmpt_module_read_float_stereo(this.mod, rate, count, this.buffer, right);
            floats[0].set(lib.HEAPF32.subarray(this.buffer / 4, this.buffer / 4 + got));
            floats[1].set(lib.HEAPF32.subarray(right / 4, right / 4 + got));
        } else {
            got = lib._openmpt_module_read_interleaved_stereo(this.mod, rate, count, this.buffer);
        }
        this.rendered = true;
        const start = this.frame;
        this.frame += got;
        if (got < count) {
            // Played through: the decoder has already gone back to the start,
            // and a piece shorter than a row holds no new row.
            this.ended = true;
            this.endFrame = start + got;
            return got;
        }
        const order = lib._openmpt_module_get_current_order(this.mod);
        const row = lib._openmpt_module_get_current_row(this.mod);
        if (!this.last || this.last.order !== order || this.last.row !== row) {
            this.last = { frame: start + (count >> 1), order, row };
            onMark(this.last);
        }
        return got;
    }

    // The 16-bit frames of the last piece rendered without floats.
    samples(count) {
        return this.lib.HEAP16.subarray(this.buffer / 2, this.buffer / 2 + 2 * count);
    }
}

// The newest of `marks` at or before `frame`: what is heard then.
export function positionAt(marks, frame, firstOrder) {
    for (let i = marks.length - 1; i >= 0; i--)
        if (marks[i].frame <= frame)
            return marks[i];
    return marks.length > 0 && marks.dropped ? marks[0] : { order: firstOrder, row: 0 };
}

// Keeps the history short: the decoder runs only a little ahead of what
// can be heard.
export function addMark(marks, mark) {
    marks.push(mark);
    if (marks.length > 64) {
        marks.shift();
        marks.dropped = true;
    }
}
