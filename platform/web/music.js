// The web music output, for platform/web/music.cpp. The page has loaded,
// before the program starts, libopenmpt (Module.libopenmpt), song.js
// (Module.webSong) and, unless muted, the audio worklet
// (Module.audio: its context and node; or Module.audioProblem, why not).
// Three outputs:
// - device: the worklet plays the song and tells, with each piece, the
//   context frame it has rendered up to; the frame heard now follows from
//   those counts and the output's latency, so no frame calls into the
//   browser's audio engine (in Firefox such calls can block the page for
//   good while the output starts). Until the worklet is heard the song goes
//   on silently as below from the start, so the show never waits for the
//   sound: a worklet that starts at once plays the song from its start, and
//   the show stands until the sound has caught up; one that starts late (no
//   sound server, an output slow to start) takes over ahead of the silent
//   song. Either way the show goes forward, never back. When no sound has
//   come within a second, the page says the show plays silently;
// - silent: nothing is played; the song is rendered here, into nothing, as
//   far as the wall clock has gone since it started;
// - stepped: no clock; webMusicStep renders the next frames.
mergeInto(LibraryManager.library, {
    $webMusic: {
        mode: "silent",
        rate: 44100,
        songs: [null], // by id
        playing: 0, // id of the song being played
        firstOrder: 0,
        run: 0, // counts the plays, so late news of an earlier one is dropped
        // The song rendered here (silent, stepped, and device while silent).
        marks: [],
        startTime: 0, // silent: when the song started, on performance.now()
        framesOut: 0, // stepped: frames handed over
        clockFrame: 0, // stepped: the frame heard now
        ended: false,
        endFrame: 0,
        // Device: this play's news from the worklet, and whether the song goes
        // on silently here until the worklet is heard.
        device: null,
        silently: false,
        hold: null, // the position the silent song had reached when the worklet took over
        baseLatency: 0, // seconds from a frame rendered to it handed to the output
        // Seconds from then to it heard: until it is first read, or where it
        // is never read, what sound servers on desktops commonly take.
        outputLatency: 0.03,
        latencyRead: 0, // when outputLatency was last read, on performance.now()
        // Firefox (ESR 153 on PulseAudio) answers outputLatency through its
        // audio server while holding its audio graph's lock, and now and then
        // the two wait on each other for good: the page freezes, 2 starts in
        // 12 when read once a second into the sound. There it is never read.
        asksLatency: true,
        waitForSound: 1000, // ms from the start to saying the show plays silently
        // ms from the start within which a worklet that starts plays the song
        // from its start, the show standing once for as long as the sound
        // took to be heard, well within a quarter of a second. One that
        // starts later joins the silent song: the song's first moments go
        // unheard rather than the show falling behind the song's time.
        startsLate: 150,
        takeOverLead: 0.25, // seconds the worklet starts ahead of the silent song

        newDevice: function (now) {
            return {
                playTime: now, // when the play began, on performance.now()
                started: 0, // when the first piece came, on performance.now()
                head: 0, // the last context frame rendered
                // The highest (frame - now * rate) in this half second and the last:
                // the news that came quickest, on the line the rendering follows.
                lead: -Infinity,
                leadBefore: -Infinity,
                leadSince: 0,
                heard: -1, // the frame last said to be heard, so it never goes back
                marks: [],
                ended: false,
                endFrame: 0,
                following: false, // the worklet was told to join the silent song on starting
                awake: false, // it has since started and asked where to join
                toldSilent: false, // the page has said the show plays silently
            };
        },

        silentFrame: function (now) {
            return Math.floor(((now - webMusic.startTime) / 1000) * webMusic.rate);
        },

        // The context frame heard now, or -1 before the first piece. Between
        // pieces it goes on at the rate; it never passes the last frame
        // rendered (an output that stalls holds it) nor goes back.
        deviceFrame: function (now) {
            const d = webMusic.device;
            if (!d.started)
                return -1;
            // outputLatency is the one figure of the audio engine read here: a
            // second after the sound started, when the output is well up, and
            // rarely after that.
            if (webMusic.asksLatency && now - d.started > 1000 &&
                (!webMusic.latencyRead || now - webMusic.latencyRead > 10000)) {
                webMusic.outputLatency = Module.audio.context.outputLatency || webMusic.outputLatency;
                webMusic.latencyRead = now;
            }
            const rate = webMusic.rate;
            const latency = (webMusic.baseLatency + webMusic.outputLatency) * rate;
            const heard = (now / 1000) * rate + Math.max(d.lead, d.leadBefore) - latency;
            d.heard = Math.max(d.heard, Math.floor(Math.min(heard, d.head)));
            return d.heard;
        },

        // A piece of the worklet's, rendered up to context frame `frame`.
        rendered: function (frame) {
            const now = performance.now();
            const d = webMusic.device;
            if (!d.started)
                d.started = now;
            d.head = Math.max(d.head, frame);
            if (now - d.leadSince > 500) {
                d.leadBefore = d.lead;
                d.lead = -Infinity;
                d.leadSince = now;
            }
            d.lead = Math.max(d.lead, frame - (now / 1000) * webMusic.rate);
        },

        // Device: the worklet told to join the silent song when it starts
        // late, the page told when no sound has come in time, and the song
        // handed to the worklet once it is heard.
        watch: function (now) {
            const d = webMusic.device;
            if (!webMusic.silently)
                return;
            if (!d.started) {
                if (!d.following && now - d.playTime >= webMusic.startsLate) {
                    d.following = true;
                    Module.audio.node.port.postMessage({ cmd: "follow", run: webMusic.run });
                }
                if (!d.toldSilent && now - d.playTime >= webMusic.waitForSound) {
                    d.toldSilent = true;
                    Module.soundState("silent");
                }
                return;
            }
            const frame = webMusic.deviceFrame(now);
            if (d.marks.length === 0 || frame < d.marks[0].frame)
                return;
            webMusic.silently = false;
            webMusic.hold = Module.webSong.positionAt(webMusic.marks, webMusic.silentFrame(now), webMusic.firstOrder);
            Module.soundState("device");
        },

        // Renders the playing song here up to `frame`, each piece into
        // nothing or, when `into` is given, into it as 16-bit stereo.
        renderTo: function (frame, into) {
            const entry = webMusic.songs[webMusic.playing];
            if (!entry)
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

        // The position heard now.
        position: function () {
            const now = performance.now();
            if (webMusic.mode === "device")
                webMusic.watch(now);
            if (webMusic.mode === "device" && !webMusic.silently) {
                const heard = Module.webSong.positionAt(webMusic.device.marks, webMusic.deviceFrame(now),
                    webMusic.firstOrder);
                const hold = webMusic.hold;
                if (hold && (heard.order < hold.order || (heard.order === hold.order && heard.row < hold.row)))
                    return hold;
                webMusic.hold = null;
                return heard;
            }
            let frame = webMusic.clockFrame;
            if (webMusic.mode !== "stepped") {
                frame = webMusic.silentFrame(now);
                webMusic.renderTo(frame + 1);
            }
            return Module.webSong.positionAt(webMusic.marks, frame, webMusic.firstOrder);
        },

        finished: function () {
            const now = performance.now();
            if (webMusic.mode === "device" && !webMusic.silently)
                return webMusic.device.ended && webMusic.deviceFrame(now) >= webMusic.device.endFrame;
            const frame = webMusic.mode === "stepped" ? webMusic.clockFrame : webMusic.silentFrame(now);
            return webMusic.ended && frame >= webMusic.endFrame;
        },

        listen: function () {
            const port = Module.audio.node.port;
            port.onmessage = function (event) {
                const m = event.data;
                if (m.run !== webMusic.run || !webMusic.device)
                    return;
                const d = webMusic.device;
                if (m.cmd === "rendered")
                    webMusic.rendered(m.frame);
                else if (m.cmd === "mark")
                    Module.webSong.addMark(d.marks, m);
                else if (m.cmd === "end") {
                    d.ended = true;
                    d.endFrame = m.frame;
                } else if (m.cmd === "awake" && webMusic.silently && !d.awake) {
                    // Started after all: ahead of the silent song by more than it
                    // takes the sound to be heard.
                    d.awake = true;
                    const seconds = webMusic.silentFrame(performance.now()) / webMusic.rate;
                    port.postMessage({ cmd: "go", run: m.run, seconds: seconds + webMusic.takeOverLead });
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
            webMusic.baseLatency = Module.audio.context.baseLatency || 0;
            webMusic.asksLatency = !/Firefox\//.test(navigator.userAgent);
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
        const now = performance.now();
        webMusic.playing = id;
        webMusic.firstOrder = order;
        webMusic.run++;
        webMusic.marks = [];
        webMusic.ended = false;
        webMusic.hold = null;
        // Silent, and with a device until it is heard: the song starts now.
        webMusic.songs[id].song.restart(order, webMusic.framesOut);
        webMusic.startTime = now;
        webMusic.silently = webMusic.mode === "device";
        if (webMusic.mode === "device") {
            webMusic.device = webMusic.newDevice(now);
            Module.audio.node.port.postMessage({ cmd: "play", id: id, run: webMusic.run, order: order });
            Module.audio.context.resume();
            Module.soundState("device");
        }
    },

    webMusicStop__deps: ["$webMusic"],
    webMusicStop: function () {
        if (webMusic.mode === "device")
            Module.audio.node.port.postMessage({ cmd: "stop" });
        webMusic.playing = 0;
        webMusic.run++;
        webMusic.device = null;
    },

    // Order and row heard now, through the two pointers.
    webMusicPosition__deps: ["$webMusic"],
    webMusicPosition: function (order, row) {
        const position = webMusic.position();
        HEAP32[order >> 2] = position.order;
        HEAP32[row >> 2] = position.row;
    },

    webMusicFinished__deps: ["$webMusic"],
    webMusicFinished: function () {
        return webMusic.finished();
    },

    webMusicStep__deps: ["$webMusic"],
    webMusicStep: function (frames, stereo) {
        HEAP16.fill(0, stereo >> 1, (stereo >> 1) + 2 * frames);
        webMusic.clockFrame = webMusic.framesOut;
        webMusic.renderTo(webMusic.framesOut + frames, stereo);
        webMusic.framesOut += frames;
    },
});
