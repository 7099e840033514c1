// Serves a folder over HTTP on 127.0.0.1, as any static host would, with
// the MIME types a page of WebAssembly and JavaScript modules needs.
//   node web/serve.mjs FOLDER [PORT]
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize } from "node:path";

const types = {
    ".html": "text/html; charset=utf-8",
    ".css": "text/css",
    ".js": "text/javascript",
    ".mjs": "text/javascript",
    ".wasm": "application/wasm",
    ".gz": "application/gzip",
};

// `replace` maps a name to other bytes, or to null for a 404: the tests
// serve a short song in place of the real one, or none.
export function serve(folder, port = 0, replace = {}) {
    const server = createServer(async (request, response) => {
        const name = decodeURIComponent(new URL(request.url, "http://x").pathname).slice(1) || "index.html";
        const path = normalize(join(folder, name));
        let body = null;
        if (name in replace)
            body = replace[name];
        else if (path.startsWith(normalize(folder)))
            body = await readFile(path).catch(() => null);
        if (body === null) {
            response.writeHead(404, { "content-type": "text/plain" });
            response.end("not found");
            return;
        }
        response.writeHead(200, {
            "content-type": types[extname(name)] || "application/octet-stream",
            "cache-control": "no-cache",
        });
        response.end(body);
    });
    return new Promise((resolve) => server.listen(port, "127.0.0.1", () => resolve(server)));
}

if (import.meta.url === `file://${process.argv[1]}`) {
    const server = await serve(process.argv[2], Number(process.argv[3] || 8080));
    console.log(`The demo is at http://127.0.0.1:${server.address().port}/ (Ctrl-C ends)`);
}
