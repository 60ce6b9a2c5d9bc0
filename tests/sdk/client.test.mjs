// The server as a real MCP client sees it: the official TypeScript SDK's Client over stdio,
// against the built server and the stand-in editor.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { Client } from '@modelcontextprotocol/sdk/client/index.js';
import { StdioClientTransport } from '@modelcontextprotocol/sdk/client/stdio.js';
import { McpError } from '@modelcontextprotocol/sdk/types.js';

const serverBinary = process.env.KESTROVA_MCP_BINARY;
const standinBinary = process.env.KESTROVA_STANDIN_BINARY;
// Programs of a cross-build run through a launcher (Wine for Windows programs).
const launcher = process.env.KESTROVA_LAUNCHER || '';

function commandFor(binary, args) {
  return launcher ? { command: launcher, args: [binary, ...args] } : { command: binary, args };
}
const pipeName = `kestrova-sdk-test-${process.pid}`;
const standinStartMs = 10000;

const notRunningSentence =
  'Kestrova does not answer. It must be running with the AI connection switched on: in ' +
  'Kestrova, File > Settings > AI connection. Ask the user to do that, then try again.';

const catalogue = [
  'get_project', 'list_clips', 'list_media', 'list_effects', 'get_transcript', 'get_frame',
  'get_frames', 'look_through', 'find_in_clip', 'find_highlights', 'list_transitions',
  'list_sounds', 'list_export_targets', 'export_status', 'get_clip', 'cut_out', 'split_clip',
  'trim_clip', 'move_clip', 'delete_clip', 'add_effect', 'set_effect', 'remove_effect',
  'keep_only', 'add_transition', 'remove_transition', 'set_speed', 'freeze_frame', 'set_volume',
  'add_media', 'set_picture', 'animate_clip', 'add_sound', 'import_file', 'save_project',
  'export_video', 'add_title', 'list_title_styles', 'list_templates', 'add_template', 'reframe',
  'remove_background', 'shorten_pauses', 'remove_filler_words', 'transcribe', 'add_captions',
  'list_stickers', 'add_sticker', 'set_keyframes', 'detect_beats', 'cut_to_beats',
  'pulse_on_beats', 'fill_placeholder', 'undo_last_change',
];

let standin;
let client;
let transport;
let negotiatedVersion;
let serverErrors = '';

async function startStandin() {
  const { command, args } = commandFor(standinBinary, ['--name', pipeName, '--announce']);
  const child = spawn(command, args, {
    stdio: ['ignore', 'pipe', 'inherit'],
  });
  let announced = '';
  const listening = new Promise((resolve, reject) => {
    child.stdout.on('data', (chunk) => {
      announced += chunk;
      if (announced.includes('\n')) resolve();
    });
    child.once('exit', (code) => reject(new Error(`stand-in exited early (${code})`)));
  });
  const timeout = new Promise((_, reject) =>
    setTimeout(() => reject(new Error('stand-in did not start listening')), standinStartMs).unref());
  await Promise.race([listening, timeout]);
  assert.equal(announced, `listening ${pipeName}\n`);
  return child;
}

async function stopStandin(child) {
  if (child.exitCode !== null || child.signalCode !== null) return;
  const exited = once(child, 'exit');
  // SIGINT: a Windows program under Wine gets it as Ctrl+C and can end cleanly; SIGTERM would
  // end Wine at once.
  child.kill('SIGINT');
  const [code] = await exited;
  assert.equal(code, 0);
}

before(async () => {
  assert.ok(serverBinary && standinBinary, 'KESTROVA_MCP_BINARY and KESTROVA_STANDIN_BINARY must be set');
  standin = await startStandin();
  transport = new StdioClientTransport({
    ...commandFor(serverBinary, []),
    env: { ...process.env, KESTROVA_AI_PIPE: pipeName },
    stderr: 'pipe',
  });
  transport.stderr.on('data', (chunk) => { serverErrors += chunk; });
  // The client hands the negotiated revision to transports that want it.
  transport.setProtocolVersion = (version) => { negotiatedVersion = version; };
  client = new Client({ name: 'kestrova-sdk-test', version: '1.0.0' });
  await client.connect(transport);
});

after(async () => {
  await client?.close();
  if (standin) await stopStandin(standin);
});

test('initialize names the revision, the server and its instructions', () => {
  // The revision this SDK asks for, which the server speaks.
  assert.equal(negotiatedVersion, '2025-11-25');
  assert.deepEqual(client.getServerVersion(), { name: 'kestrova', title: 'Kestrova', version: '1.4.6' });
  assert.deepEqual(client.getServerCapabilities(), { tools: {} });
  const instructions = client.getInstructions();
  assert.match(instructions, /^You work in Kestrova/);
  assert.ok(instructions.includes('How Kestrova thinks:') && instructions.includes('How to work:'));
});

test('all 54 tools pass the SDK validation, in catalogue order', async () => {
  const { tools, nextCursor } = await client.listTools();
  assert.equal(nextCursor, undefined);
  assert.deepEqual(tools.map((tool) => tool.name), catalogue);
  for (const tool of tools) {
    assert.equal(tool.inputSchema.type, 'object', tool.name);
    assert.ok(tool.description.length > 0, tool.name);
  }
  const keepOnly = tools.find((tool) => tool.name === 'keep_only');
  assert.equal(keepOnly.inputSchema.properties.parts.items.type, 'object');
  const fillerWords = tools.find((tool) => tool.name === 'remove_filler_words');
  assert.ok(fillerWords.description.includes('\u00e4h'));
});

test('a picture arrives as a JPEG image item', async () => {
  const result = await client.callTool({ name: 'get_frame', arguments: { seconds: 1.5 } });
  assert.equal(result.isError, false);
  assert.equal(result.content.length, 2);
  assert.equal(result.content[0].type, 'text');
  const image = result.content[1];
  assert.equal(image.type, 'image');
  assert.equal(image.mimeType, 'image/jpeg');
  const bytes = Buffer.from(image.data, 'base64');
  assert.ok(bytes.length > 100);
  assert.deepEqual([...bytes.subarray(0, 3)], [0xff, 0xd8, 0xff]);
});

test('a tool the catalogue lacks is a -32602 error', async () => {
  await assert.rejects(
    client.callTool({ name: 'make_coffee', arguments: {} }),
    (error) => error instanceof McpError && error.code === -32602 &&
      error.message.includes('Kestrova has no tool "make_coffee".'));
});

test('with the editor stopped the tool result carries the failure sentence', async () => {
  await stopStandin(standin);
  const result = await client.callTool({ name: 'get_project', arguments: {} });
  assert.equal(result.isError, true);
  assert.deepEqual(result.content, [{ type: 'text', text: notRunningSentence }]);

  standin = await startStandin();
  const again = await client.callTool({ name: 'get_project', arguments: {} });
  assert.equal(again.isError, false);
  assert.equal(serverErrors, '');
});
