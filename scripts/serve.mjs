// velmora: serves one folder over HTTP on 127.0.0.1, for the page (scripts/run.sh web, bench/web.mjs).
//   node scripts/serve.mjs FOLDER [PORT]    prints the page's address; Ctrl+C stops it
// Only files inside FOLDER are served, with the types a browser needs (application/wasm above all); a
// malformed path is answered 400.
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import {pathToFileURL} from "node:url";

const types = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript",
    ".wasm": "application/wasm",
    ".data": "application/octet-stream",
    ".txt": "text/plain; charset=utf-8",
};

// Starts serving `folder` on 127.0.0.1:`port` (0: any free port); resolves to the page's address.
export function serveFolder(folder, port = 0) {
    const root = path.resolve(folder);
    const server = http.createServer((request, response) => {
        let name;
        try {
            name = path.join(root, path.normalize(decodeURIComponent(new URL(request.url, "http://host").pathname)));
        } catch {
            // A path whose escapes decode to nothing (`/%`) names no file: the request is at fault.
            response.writeHead(400).end();
            return;
        }
        const file = name.endsWith(path.sep) ? path.join(name, "index.html") : name;
        if (!file.startsWith(root + path.sep) || request.method !== "GET") {
            response.writeHead(404).end();
            return;
        }
        fs.readFile(file, (error, data) => {
            if (error) {
                response.writeHead(404).end();
                return;
            }
            response.writeHead(200, {"Content-Type": types[path.extname(file)] ?? "application/octet-stream",
                "Content-Length": data.length}).end(data);
        });
    });
    return new Promise((resolve) => server.listen(port, "127.0.0.1", () => {
        resolve({server, address: `http://127.0.0.1:${server.address().port}/index.html`});
    }));
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
    const {address} = await serveFolder(process.argv[2] ?? ".", Number(process.argv[3] ?? 0));
    console.log(address);
}
