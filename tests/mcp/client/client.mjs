// The MCP SDK's own client against the built marovel-mcp: connect, list the tools, call
// each of them on a small workspace, see an error come back as an error, ping, close.
// Usage: node client.mjs <path of marovel-mcp>
import { Client } from "@modelcontextprotocol/sdk/client/index.js";
import { StdioClientTransport } from "@modelcontextprotocol/sdk/client/stdio.js";
import { McpError } from "@modelcontextprotocol/sdk/types.js";

import assert from "node:assert/strict";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const server = process.argv[2];
assert.ok(server, "usage: node client.mjs <marovel-mcp>");

const date = new Date("2026-06-26T08:30:00Z");
const dateText = "2026-06-26T08:30:00Z";

// A data folder with one authorised workspace, written in the registry's own format.
function prepare() {
  const root = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), "marovel-mcp-client-")));
  const ws = path.join(root, "ws");
  const data = path.join(root, "data");
  const home = path.join(root, "home");
  for (const folder of [path.join(ws, "docs"), path.join(ws, "photos"), path.join(root, "outside"), data, home])
    fs.mkdirSync(folder, { recursive: true });
  fs.writeFileSync(path.join(ws, "docs", "report.txt"), "hello");
  fs.writeFileSync(path.join(ws, "notes.md"), "# notes\n");
  for (const item of ["docs/report.txt", "notes.md", "docs", "photos"])
    fs.utimesSync(path.join(ws, item), date, date);
  const registry = [{ createdAt: dateText, id: "ws", name: "ws", path: ws }];
  fs.writeFileSync(path.join(data, "workspaces.json"), JSON.stringify(registry, null, 2));
  return { root, ws, data, home };
}

// Every file below `folder` with its size and modification time.
function snapshot(folder) {
  const items = {};
  for (const name of fs.readdirSync(folder, { recursive: true })) {
    const info = fs.lstatSync(path.join(folder, name));
    items[name] = `${info.mode} ${info.size} ${info.mtimeMs}`;
  }
  return items;
}

// The payload of a successful tool call: exactly one text element holding JSON.
function payload(result) {
  assert.equal(result.isError, undefined);
  assert.equal(result.content.length, 1);
  assert.equal(result.content[0].type, "text");
  return JSON.parse(result.content[0].text);
}

async function expectError(call, message) {
  await assert.rejects(call, (error) => {
    assert.ok(error instanceof McpError, `not an McpError: ${error}`);
    assert.equal(error.code, -32000);
    assert.ok(error.message.endsWith(message), `unexpected message: ${error.message}`);
    return true;
  });
}

const { root, ws, data, home } = prepare();
const transport = new StdioClientTransport({
  command: server,
  args: [],
  env: { MAROVEL_HOME: data, HOME: home, PATH: process.env.PATH ?? "/usr/bin:/bin",
         LC_ALL: "C.UTF-8", LANG: "C.UTF-8", LANGUAGE: "en" },
  stderr: "pipe",
});
let stderr = "";
transport.stderr?.on("data", (chunk) => { stderr += chunk; });

const client = new Client({ name: "marovel-test-client", version: "1.0.0" });
try {
  await client.connect(transport);
  assert.deepEqual(client.getServerVersion(), { name: "Marovel", version: "0.6.0" });
  assert.deepEqual(client.getServerCapabilities(), { tools: {} });

  const { tools } = await client.listTools();
  assert.deepEqual(tools.map((t) => t.name), [
    "marovel_list_workspaces", "marovel_directory_context", "marovel_find_files",
    "marovel_file_info", "marovel_create_plan", "marovel_transaction_history",
  ]);
  assert.deepEqual(tools[4].inputSchema.required, ["workspace_id", "operations"]);
  assert.deepEqual(tools[4].annotations, { readOnlyHint: false, destructiveHint: false });
  assert.ok(tools.every((t) => t.inputSchema.type === "object" && t.description.length > 0));

  const before = snapshot(ws);
  const report = { kind: "file", modifiedAt: dateText, name: "report.txt",
                   path: path.join(ws, "docs", "report.txt"), size: 5 };

  assert.deepEqual(payload(await client.callTool({ name: "marovel_list_workspaces", arguments: {} })),
                   { workspaces: [{ createdAt: dateText, id: "ws", name: "ws", path: ws }] });
  assert.deepEqual(payload(await client.callTool({ name: "marovel_directory_context",
                                                   arguments: { path: path.join(ws, "docs") } })),
                   { entries: [report] });
  assert.deepEqual(payload(await client.callTool({ name: "marovel_find_files",
                                                   arguments: { query: "REPORT", workspace_id: "ws" } })),
                   { entries: [report], match: "filename" });
  assert.deepEqual(payload(await client.callTool({ name: "marovel_file_info",
                                                   arguments: { path: path.join(ws, "docs", "report.txt") } })),
                   { entry: report });

  const operationID = "5d1c3f7a-0b4e-4c2d-9e8f-1a2b3c4d5e6f";
  const created = payload(await client.callTool({ name: "marovel_create_plan", arguments: {
    workspace_id: "ws",
    operations: [{ id: operationID, kind: "move", from: "docs/report.txt", to: "photos/report.txt" }],
  } }));
  assert.equal(created.next, "Plan created only. It did not modify files. Show it to the user before execution.");
  assert.match(created.plan.id, /^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$/);
  assert.deepEqual(created.plan.workspace, { createdAt: dateText, id: "ws", name: "ws", path: ws });
  assert.deepEqual(created.plan.operations, [
    { from: "docs/report.txt", id: operationID.toUpperCase(), kind: "move", to: "photos/report.txt" }]);
  const stored = JSON.parse(fs.readFileSync(path.join(data, "plans", `${created.plan.id}.json`), "utf8"));
  assert.deepEqual(stored, created.plan);
  assert.deepEqual(snapshot(ws), before, "creating a plan changed the workspace");

  assert.deepEqual(payload(await client.callTool({ name: "marovel_transaction_history", arguments: {} })),
                   { transactions: [] });

  await expectError(client.callTool({ name: "marovel_nope", arguments: {} }), "Unknown tool: marovel_nope");
  await expectError(client.callTool({ name: "marovel_directory_context", arguments: { path: path.join(root, "outside") } }),
                    "The folder is not inside an authorised workspace");
  await expectError(client.callTool({ name: "marovel_find_files", arguments: { query: "x" } }),
                    "Missing parameter: workspace_id");

  assert.deepEqual(await client.ping(), {});
  await client.close();
  assert.equal(stderr, "", "the server wrote to stderr");
  console.log("marovel-mcp passed the MCP SDK client checks");
} finally {
  await client.close().catch(() => {});
  fs.rmSync(root, { recursive: true, force: true });
}
