// The web music output, for platform/web_music.cpp. The page has loaded,
// before the program starts, libopenmpt (Module.libopenmpt), platform/
// web_song.js (Module.webSong) and, unless muted, the audio worklet
// (Module.audio: its context and node; or Module.audioProblem, why not).
// Three outputs:
// - device: the worklet plays the song; a frame is heard when the output's
//   own timestamp says so, which counts the output latency;
// - silent: nothing is played; the song is rendered here, into nothing, as
//   far as the wall clock has gone since it started;
// - stepped: no clock; webMusicStep renders the next frames.
mergeInto(LibraryManager.library, {
    $webMusic: {
        mode: "silent",
        rate: 44100,
        songs: [null], // by id
        playing: 0, // id of the song being played
        marks: [],
        run: 0, // counts the plays, so late news of an earlier one is dropped
        startTime: 0, // silent: when the song started, on performance.now()
        framesOut: 0, // stepped: frames handed over
        clockFrame: 0, // stepped: the frame heard now
        ended: false,
        endFrame: 0,

        audibleFrame: function () {
            if (webMusic.mode === "stepped")
                return webMusic.clockFrame;
            if (webMusic.mode === "silent")
                return Math.floor(((performance.now() - webMusic.startTime) / 1000) * webMusic.rate);
            const stamp = Module.audio.context.getOutputTimestamp();
            const since = Math.max(0, performance.now() - stamp.performanceTime) / 1000;
            return Math.floor((stamp.contextTime + since) * webMusic.rate);
        },

        // Renders the playing song up to `frame` (silent and stepped), each
        // piece into nothing or, when `into` is given, into it as 16-bit stereo.
        renderTo: function (frame, into) {
            const entry = webMusic.songs[webMusic.playing];
            if (!entry || webMusic.mode === "device")
                return;
            const song = entry.song;
            const pieceFrames = Module.webSong.pieceFrames;
            while (song.frame < frame && !song.ended) {
                const count = Math.min(pieceFrames, frame - song.frame);
                const at = song.frame;
                const got = song.piece(webMusic.rate, count, null, function (mark) {
                    Module.webSong.addMark(webMusic.marks, mark);
                });
                if (into)
                    HEAP16.set(song.samples(got), (into >> 1) + 2 * (at - webMusic.clockFrame));
            }
            webMusic.ended = song.ended;
            webMusic.endFrame = song.endFrame;
        },

        listen: function () {
            Module.audio.node.port.onmessage = function (event) {
                const m = event.data;
                if (m.run !== webMusic.run)
                    return;
                if (m.cmd === "mark")
                    Module.webSong.addMark(webMusic.marks, m);
                else if (m.cmd === "end") {
                    webMusic.ended = true;
                    webMusic.endFrame = m.frame;
                }
            };
        },
    },

    webMusicOpen__deps: ["$webMusic"],
    webMusicOpen: function (mode, rate) {
        webMusic.rate = rate > 0 ? rate : 44100;
        webMusic.mode = ["device", "silent", "stepped"][mode];
        if (webMusic.mode === "device" && !Module.audio) {
            err("music: no sound device (" + (Module.audioProblem || "no audio worklet") +
                "), the song plays silently");
            webMusic.mode = "silent";
        }
        if (webMusic.mode === "device") {
            webMusic.rate = Module.audio.context.sampleRate;
            webMusic.listen();
        }
        return 1;
    },

    webMusicClose__deps: ["$webMusic"],
    webMusicClose: function () {
        if (webMusic.mode === "device")
            Module.audio.node.port.postMessage({ cmd: "stop" });
        webMusic.playing = 0;
    },

    webMusicLoad__deps: ["$webMusic"],
    webMusicLoad: function (bytes, length, reason, reasonSize) {
        const data = HEAPU8.slice(bytes, bytes + length);
        const opened = Module.webSong.openSong(Module.libopenmpt, data);
        if (!opened.song) {
            stringToUTF8(opened.error, reason, reasonSize);
            return 0;
        }
        const id = webMusic.songs.length;
        webMusic.songs.push({ song: opened.song });
        // The worklet plays its own copy, made now so that a click starts it at once.
        if (webMusic.mode === "device")
            Module.audio.node.port.postMessage({ cmd: "load", id: id, bytes: data });
        return id;
    },

    webMusicFree__deps: ["$webMusic"],
    webMusicFree: function (id) {
        webMusic.songs[id].song.free();
        webMusic.songs[id] = null;
        if (webMusic.mode === "device")
            Module.audio.node.port.postMessage({ cmd: "free", id: id });
    },

    webMusicOrderCount__deps: ["$webMusic"],
    webMusicOrderCount: function (id) {
        return webMusic.songs[id].song.orderCount();
    },

    webMusicOrderTime__deps: ["$webMusic"],
    webMusicOrderTime: function (id, order) {
        return webMusic.songs[id].song.orderTime(order);
    },

    webMusicPlay__deps: ["$webMusic"],
    webMusicPlay: function (id, order) {
        webMusic.playing = id;
        webMusic.run++;
        webMusic.marks = [];
        webMusic.ended = false;
        const entry = webMusic.songs[id];
        if (webMusic.mode === "device") {
            Module.audio.node.port.postMessage({ cmd: "play", id: id, run: webMusic.run, order: order });
            Module.audio.context.resume();
        } else {
            entry.song.restart(order, webMusic.framesOut);
            webMusic.startTime = performance.now();
        }
    },

    webMusicStop__deps: ["$webMusic"],
    webMusicStop: function () {
        if (webMusic.mode === "device")
            Module.audio.node.port.postMessage({ cmd: "stop" });
        webMusic.playing = 0;
        webMusic.run++;
    },

    // Order and row heard now, through the two pointers.
    webMusicPosition__deps: ["$webMusic"],
    webMusicPosition: function (firstOrder, order, row) {
        const frame = webMusic.audibleFrame();
        if (webMusic.mode === "silent")
            webMusic.renderTo(frame + 1);
        const position = Module.webSong.positionAt(webMusic.marks, frame, firstOrder);
        HEAP32[order >> 2] = position.order;
        HEAP32[row >> 2] = position.row;
    },

    webMusicFinished__deps: ["$webMusic"],
    webMusicFinished: function () {
        return webMusic.ended && webMusic.audibleFrame() >= webMusic.endFrame;
    },

    webMusicStep__deps: ["$webMusic"],
    webMusicStep: function (frames, stereo) {
        HEAP16.fill(0, stereo >> 1, (stereo >> 1) + 2 * frames);
        webMusic.clockFrame = webMusic.framesOut;
        webMusic.renderTo(webMusic.framesOut + frames, stereo);
        webMusic.framesOut += frames;
    },
});
