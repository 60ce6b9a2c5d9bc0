// The server as a real MCP client sees it: the official TypeScript SDK's Client over stdio,
// against the built server and the stand-in editor.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { Client } from '@modelcontextprotocol/sdk/client/index.js';
import { StdioClientTransport } from '@modelcontextprotocol/sdk/client/stdio.js';
import { McpError } from '@modelcontextprotocol/sdk/types.js';
import {
  catalogue, commandFor, notRunningSentence, runServerToTheEnd, serverBinary, serverVersion,
  standinBinary, startStandin, stopStandin,
} from '../livePrograms.mjs';

const pipeName = `kestrova-sdk-test-${process.pid}`;

let standin;
let client;
let transport;
let negotiatedVersion;
let serverErrors = '';

before(async () => {
  assert.ok(serverBinary && standinBinary && serverVersion,
            'KESTROVA_MCP_BINARY, KESTROVA_STANDIN_BINARY and KESTROVA_VERSION must be set');
  standin = await startStandin(pipeName);
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
  assert.deepEqual(client.getServerVersion(), { name: 'kestrova', title: 'Kestrova', version: serverVersion });
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

  standin = await startStandin(pipeName);
  const again = await client.callTool({ name: 'get_project', arguments: {} });
  assert.equal(again.isError, false);
  assert.equal(serverErrors, '');
});

test('at the end of its input the server answers what it read and ends with status 0', async () => {
  const { code, output, errors } = await runServerToTheEnd(pipeName,
    '{"jsonrpc":"2.0","id":1,"method":"ping"}\n' +
    '{"jsonrpc":"2.0","id":2,"method":"tools/call","params":{"name":"get_project","arguments":{}}}\n');
  assert.equal(code, 0);
  assert.equal(errors, '');
  const replies = output.split('\n').filter((line) => line !== '').map((line) => JSON.parse(line));
  assert.deepEqual(replies.map((reply) => reply.id), [1, 2]);
  assert.equal(replies[1].result.isError, false, output);
});
